#include "programinfo/programinfo.h"

#include "openssl/base64reader.h"
#include "openssl/rsapublickey.h"
#include "openssl/sha1.h"
#include "utils/log.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "utils/systeminformation.h"

#include <cstring>
#include <string>
#include <string_view>

struct ProgramInfoInstance::Impl {
  std::unique_ptr<PropertyFile> properties = std::make_unique<PropertyFile>(); // the verified body

  const char* value(const char* key) const { return properties->group(nullptr)->valueAsString(key, ""); }
};

namespace {

// The whole file, read (not mapped) so that a file changed while it is read cannot fault.
std::string readWhole(const char* path) {
  std::string data;
  FileHandle(path, 0).readAll(data);
  return data;
}

// The length of the signed data (through the separator's "-" and line feed), or 0 when the file is not
// validly signed with key.
size_t signedLength(std::string_view file, OpenSSL::RSAPublicKey const& key) {
  const size_t separator = file.find("\n-\n"); // only the first counts
  if (separator == std::string_view::npos || separator + 3 >= file.size()) return 0;
  const size_t length = separator + 3;
  const std::string_view signature = file.substr(length);
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(signature.data()), signature.size());
  const OwnedBuffer decoded = reader.decode();
  if (decoded.size == 0) return 0;
  const OwnedBuffer block = key.decrypt(decoded.data, decoded.size);
  const OpenSSL::SHA1 digest = OpenSSL::SHA1::of(file.data(), length);
  if (block.size != OpenSSL::SHA1::SIZE ||
      std::memcmp(block.data, digest.bytes().data(), OpenSSL::SHA1::SIZE))
    return 0;
  return length;
}

} // namespace

ProgramInfoInstance::ProgramInfoInstance() : impl(std::make_unique<Impl>()) {}

ProgramInfoInstance::~ProgramInfoInstance() = default;

void ProgramInfoInstance::loadFromFile(const char* path, OpenSSL::RSAPublicKey const& key) {
  const std::string file = readWhole(path);
  const size_t length = signedLength(file, key);
  if (length == 0) ZUN_THROW(ProgramInfoInstance::invalid_signature);
  // The body ends with the line feed before the "-".
  auto properties = std::make_unique<PropertyFile>(Utf8Range(file.data(), length - 2));
  impl->properties = std::move(properties);
}

const char* ProgramInfoInstance::displayName() const {
  return impl->value("displayName");
}
const char* ProgramInfoInstance::folderName() const {
  return impl->value("folderName");
}
const char* ProgramInfoInstance::shortName() const {
  return impl->value("shortName");
}
const char* ProgramInfoInstance::displayVersion() const {
  return impl->value("displayVersion");
}
const char* ProgramInfoInstance::feedbackLink() const {
  return impl->value("sendFeedbackLink");
}
const char* ProgramInfoInstance::versionLink() const {
  return impl->value("versionLink");
}
const char* ProgramInfoInstance::helpFile() const {
  return impl->value("helpFile");
}
const char* ProgramInfoInstance::supportEmail() const {
  return impl->value("supportEmail");
}
const char* ProgramInfoInstance::latestVersionLink() const {
  return impl->value("latestVersionLink");
}

void ProgramInfoInstance::log() const {
  Log::print("LOG", "%s - %s - %s\n", displayName(), displayVersion(), SystemInformation::bitness());
  Log::print("LOG", "Compile date: %s %s\n", __DATE__, __TIME__);
}

ProgramInfoInstance& ProgramInfo::instance() {
  // Never destroyed: detached workers may still use it while the process exits.
  static ProgramInfoInstance* info = new ProgramInfoInstance;
  return *info;
}
