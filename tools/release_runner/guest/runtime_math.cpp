// The C library's rounding, remainder and square root as modules import them.
#include "tools/release_runner/guest/exact_math.hpp"

extern "C" {

double floor(double x) { return runner::ExactFloor(x); }
double ceil(double x) { return runner::ExactCeil(x); }
double fmod(double x, double y) { return runner::ExactFmod(x, y); }

double sqrt(double x) {
  double r;
  asm("sqrtsd %1, %0" : "=x"(r) : "x"(x));
  return r;
}

}  // extern "C"
