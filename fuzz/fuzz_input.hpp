#pragma once
// Reads a fuzzer's bytes as a stream of values; past the end everything reads as zero.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vekfuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  template <class T>
  T Take() {
    T v{};
    const size_t left = pos_ < size_ ? size_ - pos_ : 0;
    const size_t n = left < sizeof(T) ? left : sizeof(T);
    if (n > 0) std::memcpy(&v, data_ + pos_, n);
    pos_ += sizeof(T);
    return v;
  }
  // A float drawn mostly from values hosts send and their edges, sometimes raw bits.
  float TakeFloat() {
    static const float kInteresting[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 0.25f, 2.0f, 16.0f, 16.5f, 17.0f,
                                         2048.0f, 1e-05f, 0.99999f, 42.0f, 997300.0f, -997301.0f, 3.4028235e38f,
                                         -3.4028235e38f, 1e-45f, 1e9f, 2147483648.0f, __builtin_inff(),
                                         -__builtin_inff(), __builtin_nanf("")};
    const uint8_t how = Take<uint8_t>();
    if (how < 96) return kInteresting[how % (sizeof kInteresting / sizeof kInteresting[0])];
    if (how < 192) return static_cast<float>(Take<int16_t>()) / 64.0f;
    return Take<float>();
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace vekfuzz
