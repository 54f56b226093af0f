// Array-new bytes handed over by move (the log's copy, the gzip input).
#pragma once

#include <cstddef>
#include <utility>

struct OwnedBuffer {
  char* data = nullptr;
  size_t size = 0;

  OwnedBuffer() = default;
  OwnedBuffer(char* d, size_t n) : data(d), size(n) {}
  explicit OwnedBuffer(size_t n) : data(new char[n]), size(n) {}
  OwnedBuffer(OwnedBuffer&& o) noexcept
      : data(std::exchange(o.data, nullptr)), size(std::exchange(o.size, 0)) {}
  OwnedBuffer& operator=(OwnedBuffer&& o) noexcept {
    std::swap(data, o.data);
    std::swap(size, o.size);
    return *this;
  }
  OwnedBuffer(OwnedBuffer const&) = delete;
  OwnedBuffer& operator=(OwnedBuffer const&) = delete;
  ~OwnedBuffer() { delete[] data; }
};
