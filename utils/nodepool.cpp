#include "utils/nodepool.h"

#include <memory>
#include <new>

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

NodePool::NodePool(size_t nodeSize) : nodeSize(nodeSize) { newBlock(); }

NodePool::~NodePool() {
  if (block) freeBlock(block);
  while (previous) {
    Record* r = previous;
    previous = r->previous;
    freeBlock(r->start);
    delete r;
  }
}

void NodePool::newBlock() {
  const size_t bytes = nodeSize * NODES_PER_BLOCK;
  // Both allocations happen before anything changes, so running out of memory leaves the pool as it was.
  auto record = std::make_unique<Record>(Record{block, previous});
  char* fresh = allocateBlock(bytes);
  if (block) previous = record.release();
  block = fresh;
  next = fresh;
  blockEnd = fresh + bytes;
  ++blocks;
}
