#include "utils/nodepool.h"

#include <gtest/gtest.h>

TEST(NodePoolTest, BlocksOf4000Nodes) {
  NodePool pool(32);
  EXPECT_EQ(pool.blockCount(), 1u);
  char* first = static_cast<char*>(pool.allocate());
  for (size_t i = 1; i < 3999; ++i)
    ASSERT_EQ(pool.allocate(), first + i * 32) << i;
  EXPECT_EQ(pool.blockCount(), 1u);
  // The 4,000th slot is the block's last, and handing it out starts the next block.
  EXPECT_EQ(pool.allocate(), first + 3999 * 32);
  EXPECT_EQ(pool.blockCount(), 2u);
  char* second = static_cast<char*>(pool.allocate());
  EXPECT_EQ(pool.allocate(), second + 32); // the 4,001st was the new block's first slot
  EXPECT_EQ(pool.blockCount(), 2u);
  // Every slot is writable (ASan checks the bounds).
  for (int i = 0; i < 9000; ++i)
    *static_cast<char*>(pool.allocate()) = 1;
  EXPECT_EQ(pool.blockCount(), 4u);
}

TEST(NodePoolTest, LargeNodes) {
  NodePool pool(64);
  char* first = static_cast<char*>(pool.allocate());
  first[63] = 1;
  for (int i = 1; i < 4000; ++i)
    static_cast<char*>(pool.allocate())[63] = 1;
  EXPECT_EQ(pool.blockCount(), 2u);
}
