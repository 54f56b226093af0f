#include "programinfo/programinfo.h"

#include "openssl/rsapublickey.h"
#include "utils/platform/posix/filehandle.h"

#include "programkey.h"
#include "support/resourcelimits.h"
#include "support/signingkeys.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

// Files load in order; a refused one throws and leaves the values of the last one loaded.
TEST(ProgramInfoTest, OnlyFilesSignedWithTheKeyLoad) {
  using qmtest::signer;
  const std::string body = "displayName = Test Reader\nfolderName = TestFolder\n";
  std::string changed = signer().signFile(body), unterminated = signer().signature(body + "-\n");
  changed[body.find("Test")] = 'B';
  unterminated.pop_back();
  const std::string dash = "displayName = X\n-\nfolderName = Y\n-\n", crlf = "displayName = X\r\n-\r\n";
  EXPECT_THROW(signer().signFile(dash.substr(0, dash.size() - 2)), std::runtime_error);
  const struct {
    const char* name;
    std::string file;
    bool loads;
  } cases[] = {
      {"signed", signer().signFile(body), true},
      {"one byte of the body changed", changed, false},
      {"a lone '-' line in the body", dash + signer().signature(dash), false},
      {"CR LF line ends", crlf + signer().signature(crlf), false},
      {"separator as the last bytes", body + "-\n", false},
      {"no separator", body, false},
      {"signature not Base64", body + "-\n!!!!\n", false},
      {"signature of another key", qmtest::otherSigner().signFile(body), false},
      {"empty file", "", false},
      {"signature without its last line feed", body + "-\n" + unterminated, true},
      {"empty body", "\n-\n" + signer().signature("\n-\n"), true},
  };
  qmtest::TempDir dir;
  ProgramInfoInstance info;
  const auto key = qmtest::publicKeyOf(signer());
  const std::string path = (dir / "program.properties").string();
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    qmtest::writeFile(path, c.file);
    if (c.loads) {
      EXPECT_NO_THROW(info.loadFromFile(path.c_str(), key));
    } else {
      EXPECT_THROW(info.loadFromFile(path.c_str(), key), ProgramInfoInstance::invalid_signature);
      EXPECT_STREQ(info.displayName(), "Test Reader");
    }
  }
  EXPECT_STREQ(info.displayName(), "") << "the empty body's";
  EXPECT_THROW(info.loadFromFile((dir / "none").c_str(), key), FileHandle::open_error);
}

// Signed by the build's own key; never destroyed, as detached workers may read it while the process exits.
TEST(ProgramInfoTest, ShippedFileVerifiesWithTheCompiledInKeyAndOutlivesTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] {
          qmtest::scrubFreedMemory();
          std::_Exit(std::string(ProgramInfo::instance().shortName()) == "zun" ? 0 : 1);
        });
        ProgramInfo::instance().loadFromFile(
            (qmtest::resourcesDir() / "data/program.properties").c_str(),
            OpenSSL::RSAPublicKey(ProgramKey::exponent, 3, ProgramKey::modulus, 256));
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}
