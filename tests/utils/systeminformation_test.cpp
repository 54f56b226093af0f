#include "utils/systeminformation.h"

#include "utils/system.h"
#include "utils/uuid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <unistd.h>

TEST(SystemInformationTest, DescribesTheSystem) {
  EXPECT_EQ(std::string(SystemInformation::getOSVersionString().c_str()).rfind("Linux - ", 0), 0u);
  EXPECT_EQ(System::processID(), int(getpid()));
}

TEST(UuidTest, RandomVersion4InUpperCase) {
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const Text u = Uuid::createAsString();
    EXPECT_TRUE(std::regex_match(u.c_str(), form)) << u.c_str();
    seen.insert(u.c_str());
  }
  EXPECT_EQ(seen.size(), 100u);
}
