#include "utils/nodepool.h"

#include <cstdlib>
#include <memory>
#include <new>

#include <sys/mman.h>

namespace {
// Blocks start on a cache line, so a 32-byte node never straddles two lines.
constexpr std::align_val_t BLOCK_ALIGNMENT{64};
char* allocateBlock(size_t bytes) {
  return static_cast<char*>(::operator new[](bytes, BLOCK_ALIGNMENT));
}
void freeBlock(char* block) {
  ::operator delete[](block, BLOCK_ALIGNMENT);
}
} // namespace

NodePool::NodePool(size_t nodeSize) : nodeSize(nodeSize) {
  newBlock();
}

NodePool::~NodePool() {
  if (block && !blockInSlab) freeBlock(block);
  while (previous) {
    Record* r = previous;
    previous = r->previous;
    if (!r->inSlab) freeBlock(r->start);
    delete r;
  }
  while (slabs) {
    Slab* s = slabs;
    slabs = s->previous;
    std::free(s->start);
    delete s;
  }
}

// A large pool (the master word list has some seventy blocks) is looked up all over: its later blocks are
// cut from 2 MB slabs that ask for huge pages, so that look-ups miss the TLB less. Small pools never pay
// for a slab.
char* NodePool::blockFromSlab(size_t bytes) {
  constexpr size_t SLAB = size_t(2) << 20;
  if (bytes > SLAB) return nullptr;
  if (!slabNext || size_t(slabEnd - slabNext) < bytes) {
    auto record = std::make_unique<Slab>(Slab{nullptr, slabs});
    record->start = static_cast<char*>(std::aligned_alloc(SLAB, SLAB));
    if (!record->start) throw std::bad_alloc();
    ::madvise(record->start, SLAB, MADV_HUGEPAGE); // a hint: small pages serve as well, only slower
    slabNext = record->start;
    slabEnd = record->start + SLAB;
    slabs = record.release();
  }
  char* fresh = slabNext;
  slabNext += bytes;
  return fresh;
}

void NodePool::newBlock() {
  const size_t bytes = nodeSize * NODES_PER_BLOCK;
  // Both allocations happen before anything changes, so running out of memory leaves the pool as it was.
  auto record = std::make_unique<Record>(Record{block, previous, blockInSlab});
  constexpr size_t BLOCKS_BEFORE_SLABS = 8;
  char* fresh = blocks >= BLOCKS_BEFORE_SLABS ? blockFromSlab(bytes) : nullptr;
  const bool inSlab = fresh != nullptr;
  if (!fresh) fresh = allocateBlock(bytes);
  if (block) previous = record.release();
  blockInSlab = inSlab;
  block = fresh;
  next = fresh;
  blockEnd = fresh + bytes;
  ++blocks;
}
