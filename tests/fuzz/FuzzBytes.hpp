#pragma once
// The bytes of a fuzz input, read one by one; zeros once they run out. Shared by the fuzz
// targets and the tests that replay their seeds.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kelvarin::fuzz {

class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Signed() { return static_cast<std::int8_t>(Next()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// a whole file's bytes (a committed seed)
inline std::vector<std::uint8_t> ReadSeed(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kelvarin::fuzz
