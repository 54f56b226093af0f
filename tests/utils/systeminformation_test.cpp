#include "utils/systeminformation.h"

#include "utils/log.h"
#include "utils/platform.h"
#include "utils/system.h"
#include "utils/uuid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <unistd.h>

namespace {
std::string logged;
void capture(const char* text) {
  logged += text;
}
} // namespace

TEST(SystemInformationTest, DescribesTheSystem) {
  const std::string os = SystemInformation::getOSVersionString().c_str();
  EXPECT_EQ(os.rfind("Linux - ", 0), 0u) << os;
  EXPECT_GT(os.size(), 8u);
  EXPECT_STREQ(SystemInformation::osShortVersion(), "Linux");
  EXPECT_STREQ(SystemInformation::bitness(), "64-bit");
  EXPECT_STREQ(Platform::name(), "linux");
  EXPECT_EQ(System::processID(), int(getpid()));

  logged.clear();
  Log::addKey("LOG");
  Log::setLogFn(&capture);
  SystemInformation::log();
  Log::shutdown();
  EXPECT_EQ(logged.rfind(os + "\n#Processors: ", 0), 0u) << logged;
}

TEST(UuidTest, RandomVersion4InUpperCase) {
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const Text u = Uuid::createAsString();
    ASSERT_EQ(u.length(), 36u);
    EXPECT_TRUE(std::regex_match(u.c_str(), form)) << u.c_str();
    seen.insert(u.c_str());
  }
  EXPECT_EQ(seen.size(), 100u);
}
