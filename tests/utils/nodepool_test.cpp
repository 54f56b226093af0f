#include "utils/nodepool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// Slots across block boundaries never overlap: each is filled whole (ASan checks the bounds) and still holds
// its bytes when every other slot has been filled.
TEST(NodePoolTest, SlotsNeverOverlap) {
  for (size_t size : {32u, 64u}) {
    NodePool pool(size);
    std::vector<char*> slots;
    for (size_t i = 0; i < 3 * NodePool::NODES_PER_BLOCK + 2; ++i) {
      slots.push_back(static_cast<char*>(pool.allocate()));
      std::memset(slots.back(), int(i % 251), size);
    }
    for (size_t i = 0; i < slots.size(); ++i)
      ASSERT_EQ(std::string(slots[i], size), std::string(size, char(i % 251))) << i;
  }
}
