// Base64 decoding: bytes from the input, encoded by a plain reference encoder and broken into lines of any
// width (or none), with LF or CR LF line ends and with or without a final one, decode to themselves. Any
// input decodes into at most its own length.
#include "fuzz.h"

#include "openssl/base64reader.h"

namespace {

std::string encode(std::string_view bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = uint32_t(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) n |= uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
    out += digits[n >> 18];
    out += digits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[n & 63] : '=';
  }
  return out;
}

std::string decode(std::string_view text) {
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  const OwnedBuffer out = reader.decode();
  FUZZ_CHECK("base64: the output fits the input's length", out.size <= text.size(), fuzz::show(text));
  return std::string(reinterpret_cast<const char*>(out.data), out.size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t width = in.ConsumeIntegralInRange<size_t>(0, 1600);
  const bool crlf = in.ConsumeBool();
  const bool finalEnd = in.ConsumeBool();
  const std::string bytes = in.ConsumeRandomLengthString(2400);
  decode(bytes);
  if (bytes.empty()) return 0;
  const std::string encoded = encode(bytes);
  std::string text;
  size_t longest = 0;
  for (size_t i = 0; i < encoded.size(); i += width ? width : encoded.size()) {
    const std::string line = encoded.substr(i, width ? width : encoded.size());
    longest = std::max(longest, line.size() + crlf); // the CR is part of the line
    if (!text.empty()) text += crlf ? "\r\n" : "\n";
    text += line;
  }
  if (finalEnd) text += crlf ? "\r\n" : "\n";
  const std::string back = decode(text);
  FUZZ_CHECK("base64: encoded bytes decode to themselves", back == bytes,
             fuzz::show(bytes, 80) + " in lines of " + std::to_string(width) + (crlf ? " (CR LF)" : "") +
                 " decoded to " + fuzz::show(back, 80));
  return 0;
}
