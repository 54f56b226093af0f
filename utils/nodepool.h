// Fixed-size node slots taken 4,000 at a time from large blocks; nodes never go back (owners keep a free
// list), so allocation is a pointer bump.
#pragma once

#include <cstddef>

class NodePool {
public:
  static constexpr size_t NODES_PER_BLOCK = 4000;

  explicit NodePool(size_t nodeSize);
  ~NodePool();
  NodePool(NodePool const&) = delete;
  NodePool& operator=(NodePool const&) = delete;

  // The next slot of the current block; handing out a block's last slot starts a new block.
  void* allocate() {
    if (next == blockEnd) newBlock(); // an earlier refill ran out of memory
    char* slot = next;
    next += nodeSize;
    if (next == blockEnd) newBlock();
    return slot;
  }
  size_t blockCount() const { return blocks; }

private:
  void newBlock();

  struct Record {
    char* start;
    Record* previous;
    bool inSlab; // freed with its slab, not on its own
  };
  struct Slab {
    char* start;
    Slab* previous;
  };
  char* blockFromSlab(size_t bytes);
  size_t nodeSize;
  char* block = nullptr;      // the block in use
  char* next = nullptr;       // the next free slot in it
  char* blockEnd = nullptr;   // one past its last slot
  Record* previous = nullptr; // earlier blocks, newest first
  size_t blocks = 0;
  bool blockInSlab = false; // whether the block in use was cut from a slab
  char* slabNext = nullptr; // where the next block is cut from the current slab
  char* slabEnd = nullptr;  // one past the current slab
  Slab* slabs = nullptr;    // every slab, newest first
};
