# Flags every target of ours gets. Bit-exact double arithmetic needs SSE2 on i686 (x87 rounds
# through 80-bit registers) and no contraction into fused multiply-add.
add_library(vek_flags INTERFACE)
target_compile_options(vek_flags INTERFACE
  -Wall -Wextra -Werror
  -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86")
  target_compile_options(vek_flags INTERFACE -msse2 -mfpmath=sse)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # For the plug-ins' hot calls: arguments stored with moves, not 32-bit pushes, so that a double
  # argument reaches the callee's 64-bit load by store forwarding. A GCC option.
  set(VEK_HOT_CALL_FLAGS -mno-push-args)
endif()

# Sanitizer builds: ASan and UBSan, with the float checks on and every report fatal.
option(VEK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(VEK_SANITIZE)
  set(VEK_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow,float-divide-by-zero
                    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${VEK_SAN_FLAGS})
  add_compile_definitions(VEK_SANITIZE)
  add_link_options(${VEK_SAN_FLAGS})
endif()

# Header-only tool libraries (CLI11, nlohmann-json), found by their CMake packages. Their include
# folder is the system's, which the mingw build cannot take whole, so each gets a private include
# folder holding just its own headers.
set(VEK_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party_include)
file(MAKE_DIRECTORY ${VEK_THIRD_PARTY_INCLUDE})
foreach(package_and_dir "CLI11;CLI11::CLI11;CLI" "nlohmann_json;nlohmann_json::nlohmann_json;nlohmann")
  list(GET package_and_dir 0 package)
  list(GET package_and_dir 1 imported)
  list(GET package_and_dir 2 dir)
  find_package(${package} CONFIG QUIET)
  if(NOT ${package}_FOUND)
    message(STATUS "${package} not found: the tools cannot build (scripts/install-deps.sh installs it)")
    continue()
  endif()
  get_target_property(include_dirs ${imported} INTERFACE_INCLUDE_DIRECTORIES)
  list(GET include_dirs 0 include_dir)
  if(NOT EXISTS ${VEK_THIRD_PARTY_INCLUDE}/${dir})
    file(CREATE_LINK ${include_dir}/${dir} ${VEK_THIRD_PARTY_INCLUDE}/${dir} SYMBOLIC)
  endif()
endforeach()
