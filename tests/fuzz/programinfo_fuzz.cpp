// The signed program-information file. A body from the input that the signing tool signs must load, with
// the values its property text holds; one changed byte in the signed part must be refused, and a change in
// the signature that still loads must give the same values. Any bytes as the file load or are refused
// without harm.
#include "fuzz.h"

#include "openssl/rsapublickey.h"
#include "programinfo/programinfo.h"
#include "programinfosigner.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <stdexcept>

namespace {

ProgramInfoSigner const& signer() {
  static const ProgramInfoSigner* s = new ProgramInfoSigner(ProgramInfoSigner::generate(1024));
  return *s;
}

OpenSSL::RSAPublicKey const& key() {
  static const OpenSSL::RSAPublicKey* k = [] {
    const auto e = signer().exponent(), n = signer().modulus();
    return new OpenSSL::RSAPublicKey(e.data(), int(e.size()), n.data(), int(n.size()));
  }();
  return *k;
}

const char* const KEYS[] = {"displayName",    "folderName",       "shortName",
                            "displayVersion", "sendFeedbackLink", "versionLink",
                            "helpFile",       "supportEmail",     "latestVersionLink"};

std::vector<std::string> values(ProgramInfoInstance const& info) {
  return {info.displayName(),    info.folderName(),   info.shortName(),
          info.displayVersion(), info.feedbackLink(), info.versionLink(),
          info.helpFile(),       info.supportEmail(), info.latestVersionLink()};
}

// Loads the file; false when it is refused.
bool load(std::string const& bytes, ProgramInfoInstance& info) {
  static const std::string path = fuzz::folder() + "/program.properties";
  fuzz::writeFile(path, bytes);
  try {
    info.loadFromFile(path.c_str(), key());
    return true;
  } catch (ProgramInfoInstance::invalid_signature const&) {
    return false;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t position = in.ConsumeIntegral<uint16_t>();
  const auto change = static_cast<char>(in.ConsumeIntegralInRange(1, 255));
  const bool raw = in.ConsumeIntegralInRange(0, 7) == 0;
  const std::string body = in.ConsumeRemainingBytesAsString();
  ProgramInfoInstance info;
  if (raw) {
    load(body, info);
    return 0;
  }
  std::string file;
  try {
    file = signer().signFile(body);
  } catch (std::runtime_error const&) {
    return 0; // the tool refuses the body
  }
  const std::string withEnd = body.empty() || body.back() != '\n' ? body + "\n" : body;
  FUZZ_CHECK("programinfo: a body the tool signs loads", load(file, info), fuzz::show(body));
  const PropertyFile properties(Utf8Range(withEnd.data(), withEnd.size()));
  std::vector<std::string> expected;
  for (const char* k : KEYS)
    expected.emplace_back(properties.group(nullptr)->valueAsString(k, ""));
  FUZZ_CHECK("programinfo: the values are the body's", values(info) == expected, fuzz::show(body));

  std::string damaged = file;
  const size_t at = position % damaged.size();
  damaged[at] = char(damaged[at] ^ change);
  ProgramInfoInstance other;
  if (!load(damaged, other)) return 0;
  FUZZ_CHECK("programinfo: a changed byte in the signed part is refused", at >= withEnd.size() + 2,
             "byte " + std::to_string(at) + " of " + fuzz::show(file));
  FUZZ_CHECK("programinfo: a change in the signature that loads keeps the values", values(other) == expected,
             "byte " + std::to_string(at) + " of " + fuzz::show(file));
  return 0;
}
