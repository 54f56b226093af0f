#include "utils/countingoutputstream.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Takes at most room bytes in all, like a full disk.
class ShortStream : public OutputStream {
public:
  explicit ShortStream(size_t room) : room(room) {}
  size_t write(const void* data, size_t size) override {
    const size_t n = std::min(size, room);
    room -= n;
    taken.append(static_cast<const char*>(data), n);
    return n;
  }
  size_t room;
  std::string taken;
};

} // namespace

TEST(CountingOutputStreamTest, CountsEverythingAndPassesItOnInOrder) {
  MemoryOutputStream target;
  CountingOutputStream counting;
  counting.setTarget(&target);
  std::string expected;
  // Small writes, one that crosses a block and one larger than a block, which must not overtake the bytes
  // still held.
  const std::string pieces[] = {"a", std::string(40000, 'b'),  std::string(30000, 'c'),
                                "d", std::string(200000, 'e'), "f"};
  for (const auto& p : pieces) {
    EXPECT_EQ(counting.write(p.data(), p.size()), p.size());
    expected += p;
  }
  EXPECT_EQ(counting.total(), expected.size());
  EXPECT_TRUE(counting.flush());
  EXPECT_EQ(target.view(), expected);
}

// Held bytes reach a target when flushed, detached or destroyed; without one they are only counted.
TEST(CountingOutputStreamTest, HeldBytesReachTheTargetOnlyWhenFlushedOrDetached) {
  MemoryOutputStream first, second, third;
  {
    CountingOutputStream counting;
    counting.setTarget(&first);
    counting << "one";
    EXPECT_EQ(first.size(), 0u);
    counting.setTarget(&second); // the old target gets what was written while it was attached
    EXPECT_EQ(first.view(), "one");
    counting << "two";
    counting.reset();
    EXPECT_EQ(second.view(), "two");
    EXPECT_EQ(counting.total(), 0u);
    counting << "dropped";
    EXPECT_EQ(counting.total(), 7u);
    EXPECT_TRUE(counting.flush());
    counting.setTarget(&third);
    counting << "kept";
  }
  EXPECT_EQ(second.view(), "two");
  EXPECT_EQ(third.view(), "kept");
}

// Bytes the target refuses (a full disk) fail the flush, once.
TEST(CountingOutputStreamTest, FlushReportsBytesTheTargetRefused) {
  ShortStream target(4);
  CountingOutputStream counting;
  counting.setTarget(&target);
  counting << "abcdef";
  EXPECT_EQ(counting.total(), 6u); // the script wrote them all
  EXPECT_FALSE(counting.flush());
  EXPECT_EQ(target.taken, "abcd");
  EXPECT_TRUE(counting.flush());
  FileWriter full("/dev/full", FileWriter::Append);
  counting.setTarget(&full);
  counting << "lost";
  EXPECT_FALSE(counting.flush());
  EXPECT_TRUE(full.failed());
  counting.setTarget(nullptr);
}
