#include "utils/nodepool.h"

#include <memory>

NodePool::NodePool(size_t nodeSize) : nodeSize(nodeSize) { newBlock(); }

NodePool::~NodePool() {
  delete[] block;
  while (previous) {
    Record* r = previous;
    previous = r->previous;
    delete[] r->start;
    delete r;
  }
}

void NodePool::newBlock() {
  const size_t bytes = nodeSize * NODES_PER_BLOCK;
  // Both allocations happen before anything changes, so running out of memory leaves the pool as it was.
  auto record = std::make_unique<Record>(Record{block, previous});
  char* fresh = new char[bytes];
  if (block) previous = record.release();
  block = fresh;
  next = fresh;
  blockEnd = fresh + bytes;
  ++blocks;
}
