// The build's signing tool.
//   qm-sign keygen KEY HEADER       makes the key pair KEY when there is none, then writes HEADER with its
//   public
//                                   key (the 256-byte modulus and the 3-byte exponent) for the program
//   qm-sign sign KEY BODY OUT       writes OUT: BODY, the separator line "-" and the signature block
#include "programinfosigner.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string readAll(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Written beside the target and renamed over it, so a failed run never leaves half a file; an unchanged file
// is left alone so that nothing that includes it is rebuilt.
void writeIfChanged(std::string const& path, std::string const& content) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    try {
      if (readAll(path) == content) return;
    } catch (std::exception const&) {
    }
  }
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + temporary);
  }
  std::filesystem::rename(temporary, path);
}

std::string byteList(std::vector<unsigned char> const& bytes) {
  std::string s;
  char hex[8];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, "0x%02x,", bytes[i]);
    s += (i % 12 == 0 ? "\n    " : " ") + std::string(hex);
  }
  return s;
}

int keygen(std::string const& keyPath, std::string const& headerPath) {
  std::filesystem::create_directories(std::filesystem::path(keyPath).parent_path());
  if (!std::filesystem::exists(keyPath)) {
    std::cout << "Making the program-information signing key " << keyPath << "\n";
    ProgramInfoSigner::generate(2048).save(keyPath);
  }
  const ProgramInfoSigner signer = ProgramInfoSigner::load(keyPath);
  const auto modulus = signer.modulus();
  const auto exponent = signer.exponent();
  if (modulus.size() != 256 || exponent.size() != 3)
    throw std::runtime_error(keyPath + " is not a 2048-bit key with a 3-byte exponent");
  std::filesystem::create_directories(std::filesystem::path(headerPath).parent_path());
  writeIfChanged(headerPath,
                 "// Made by the build from its signing key: the key that verifies data/program.properties.\n"
                 "#pragma once\n\nnamespace ProgramKey {\n\ninline constexpr unsigned char modulus[256] = {" +
                     byteList(modulus) + "\n};\ninline constexpr unsigned char exponent[3] = {" +
                     byteList(exponent) + "\n};\n\n} // namespace ProgramKey\n");
  return 0;
}

int sign(std::string const& keyPath, std::string const& bodyPath, std::string const& outPath) {
  const ProgramInfoSigner signer = ProgramInfoSigner::load(keyPath);
  std::filesystem::create_directories(std::filesystem::path(outPath).parent_path());
  writeIfChanged(outPath, signer.signFile(readAll(bodyPath)));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "keygen") return keygen(args[1], args[2]);
    if (args.size() == 4 && args[0] == "sign") return sign(args[1], args[2], args[3]);
    std::cerr << "usage: qm-sign keygen KEY HEADER | qm-sign sign KEY BODY OUT\n";
  } catch (std::exception const& e) {
    std::cerr << "qm-sign: " << e.what() << "\n";
  }
  return 1;
}
