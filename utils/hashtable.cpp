#include "utils/hashtable.h"

#include <new>

#include <sys/mman.h>

void** allocateBuckets(size_t count) {
  constexpr size_t HUGE_PAGE = size_t(2) << 20;
  const size_t bytes = count * sizeof(void*);
  if (bytes < HUGE_PAGE) return new void*[count]();
  void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  ::madvise(memory, bytes, MADV_HUGEPAGE); // a hint: small pages serve as well, only slower
  return static_cast<void**>(memory);      // anonymous mappings start zeroed
}

void freeBuckets(void** buckets, size_t count) {
  const size_t bytes = count * sizeof(void*);
  if (bytes < (size_t(2) << 20))
    delete[] buckets;
  else
    ::munmap(buckets, bytes);
}
