#include "programinfo/programinfo.h"

#include "openssl/rsapublickey.h"
#include "utils/platform/posix/filehandle.h"

#include "programkey.h"
#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/signingkeys.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

using qmtest::otherSigner;
using qmtest::publicKeyOf;
using qmtest::signer;

const std::string BODY = "displayName = Test Reader\nfolderName = TestFolder\nshortName = tr\n"
                         "displayVersion = 2.0.9\nversionLink = https://quillmere.invalid/version\n";

class ProgramInfoTest : public testing::Test {
protected:
  bool loads(std::string const& file, OpenSSL::RSAPublicKey const& key) {
    qmtest::writeFile(dir / "program.properties", file);
    try {
      info.loadFromFile((dir / "program.properties").c_str(), key);
      return true;
    } catch (ProgramInfoInstance::invalid_signature const& e) {
      EXPECT_STREQ(e.function, "loadFromFile");
      return false;
    }
  }
  qmtest::TempDir dir;
  ProgramInfoInstance info;
  OpenSSL::RSAPublicKey key = publicKeyOf(signer());
};

} // namespace

TEST_F(ProgramInfoTest, ValidFileGivesItsValues) {
  EXPECT_STREQ(info.folderName(), "") << "nothing before a load";
  ASSERT_TRUE(loads(signer().signFile(BODY), key));
  EXPECT_STREQ(info.displayName(), "Test Reader");
  EXPECT_STREQ(info.folderName(), "TestFolder");
  EXPECT_STREQ(info.shortName(), "tr");
  EXPECT_STREQ(info.displayVersion(), "2.0.9");
  EXPECT_STREQ(info.versionLink(), "https://quillmere.invalid/version");
  EXPECT_STREQ(info.feedbackLink(), "") << "absent keys read as empty";
}

TEST_F(ProgramInfoTest, BadFilesAreRefusedAndTheOldValuesStay) {
  ProgramInfoSigner const& otherKey = otherSigner();
  std::string changed = signer().signFile(BODY);
  changed[BODY.find("Test")] = 'B';
  const std::string crlfSigned = "displayName = X\r\n-\r\n";
  const std::string withDash = "displayName = X\n-\nfolderName = Y\n";
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"one byte of the body changed", changed},
      {"a lone '-' line in the body", withDash + "-\n" + signer().signature(withDash + "-\n")},
      {"CR LF line ends", crlfSigned + signer().signature(crlfSigned)},
      {"separator as the last bytes", BODY + "-\n"},
      {"no separator", BODY},
      {"signature not Base64", BODY + "-\n!!!!\n"},
      {"signature of the wrong key", otherKey.signFile(BODY)},
      {"empty file", ""},
  };
  // The signing tool refuses such a body rather than sign a file the program rejects.
  EXPECT_THROW(signer().signFile(withDash), std::runtime_error);
  ASSERT_TRUE(loads(signer().signFile(BODY), key));
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(loads(c.file, key));
    EXPECT_STREQ(info.displayName(), "Test Reader");
  }
}

TEST_F(ProgramInfoTest, EmptyBodyVerifiesAndGivesEmptyValues) {
  ASSERT_TRUE(loads(signer().signFile(BODY), key));
  const std::string file = "\n-\n" + signer().signature("\n-\n");
  EXPECT_EQ(file.rfind("\n-\n", 0), 0u);
  ASSERT_TRUE(loads(file, key));
  EXPECT_STREQ(info.displayName(), "");
  EXPECT_STREQ(info.folderName(), "");
}

TEST_F(ProgramInfoTest, SignatureMayLackItsLastLineFeed) {
  const std::string signedData = BODY + "-\n";
  std::string signature = signer().signature(signedData);
  signature.pop_back();
  EXPECT_TRUE(loads(signedData + signature, key));
}

// Detached workers may read the program information while the process exits, so it is never destroyed: an
// exit handler registered before its first use runs after every static object has gone, and still finds it.
TEST(ProgramInfoExitTest, OutlivesTheExitOfTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] {
          qmtest::scrubFreedMemory();
          std::_Exit(std::string(ProgramInfo::instance().shortName()).empty() ? 0 : 1);
        });
        ProgramInfo::instance();
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(ProgramInfoTest, MissingFileThrowsTheOpenError) {
  EXPECT_THROW(info.loadFromFile((dir / "none").c_str(), key), FileHandle::open_error);
}

// The build signs the shipped file with its own key, whose public half is compiled in.
TEST_F(ProgramInfoTest, ShippedFileVerifiesWithTheCompiledInKey) {
  const OpenSSL::RSAPublicKey programKey(ProgramKey::exponent, 3, ProgramKey::modulus, 256);
  ProgramInfoInstance& shipped = ProgramInfo::instance();
  shipped.loadFromFile((qmtest::resourcesDir() / "data" / "program.properties").c_str(), programKey);
  EXPECT_STREQ(shipped.displayName(), "Quillmere");
  EXPECT_STREQ(shipped.folderName(), "OrvaneSoftware");
  EXPECT_STREQ(shipped.shortName(), "zun");
  EXPECT_STRNE(shipped.displayVersion(), "");
  for (const char* link : {shipped.feedbackLink(), shipped.versionLink(), shipped.latestVersionLink()})
    EXPECT_EQ(std::string(link).rfind("https://quillmere.invalid/", 0), 0u) << link;
  EXPECT_THROW(shipped.loadFromFile((qmtest::resourcesDir() / "data" / "program.properties").c_str(), key),
               ProgramInfoInstance::invalid_signature)
      << "a test key must not open the shipped file";

  qmtest::LogCapture log;
  shipped.log();
  const std::string text = log.all();
  EXPECT_EQ(text.rfind(std::string("Quillmere - ") + shipped.displayVersion() + " - ", 0), 0u) << text;
  EXPECT_NE(text.find("Compile date: "), std::string::npos);
}
