#include "utils/nodepool.h"

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
  char* fresh = new char[bytes];
  if (block) previous = new Record{block, previous};
  block = fresh;
  next = fresh;
  blockEnd = fresh + bytes;
  ++blocks;
}
