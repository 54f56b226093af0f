#include "utils/propertygroup.h"

#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/parser.h"
#include "utils/text.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>

namespace {

constexpr size_t MAX_TEXT = 511; // longest key, value or group name kept when reading

std::string cut(Span const& s) {
  char text[MAX_TEXT + 1];
  s.copyTo(text, sizeof text);
  return text;
}

bool writableKey(std::string const& key) {
  if (key.empty() || key.size() > MAX_TEXT || key[0] == '[') return false;
  for (char c : key)
    if (Parser::getType(c) != Parser::Other && Parser::getType(c) != Parser::Open) return false;
  return true;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

} // namespace

struct PropertyGroup::Impl {
  std::map<std::string, std::string> entries; // ordered by strcmp of the keys
  Text name;                                  // null for the unnamed group
  const char* indent = "    ";

  const std::string* find(const char* key) const {
    const auto it = entries.find(key ? key : "");
    return it == entries.end() ? nullptr : &it->second;
  }
};

PropertyGroup::PropertyGroup(const char* name) : impl(std::make_unique<Impl>()) {
  impl->name = name;
}
PropertyGroup::~PropertyGroup() = default;

const char* PropertyGroup::name() const {
  return impl->name.data();
}
size_t PropertyGroup::size() const {
  return impl->entries.size();
}
void PropertyGroup::clear() {
  impl->entries.clear();
}

size_t PropertyGroup::readFromUtf8Range(Utf8Range const& text) {
  Parser parser(text);
  while (parser.hasLines()) {
    Span key, value;
    parser.parseLine(key, value);
    // A key that begins with NUL would become the empty key, which cannot be written back.
    std::string k = cut(key);
    if (k.empty()) continue;
    // A value cut short (at 511 bytes or a NUL) loses the trailing blanks the cut left, as any value does:
    // what is written then reads back the same.
    std::string v = cut(value);
    while (!v.empty() && isBlank(v.back()))
      v.pop_back();
    impl->entries[std::move(k)] = std::move(v);
  }
  return parser.bytesProcessed();
}

void PropertyGroup::writeToStream(OutputStream& out) const {
  for (const auto& [key, value] : impl->entries) {
    if (!writableKey(key)) {
      Log::print("WARN",
                 "PropertyGroup::writeToStream - key '%.100s' in group '%s' cannot be stored, skipped\n",
                 key.c_str(), impl->name.c_str());
      continue;
    }
    if (!writableValue(Span(value)))
      Log::print("WARN",
                 "PropertyGroup::writeToStream - value of key '%.100s' in group '%s' will not read back as "
                 "written\n",
                 key.c_str(), impl->name.c_str());
    std::string safe = value;
    for (char& c : safe)
      if (c == '\r' || c == '\n') c = ' ';
    out << impl->indent << Span(key) << " = " << Span(safe) << "\n";
  }
}

bool PropertyGroup::hasWritableEntries() const {
  return std::any_of(impl->entries.begin(), impl->entries.end(),
                     [](auto const& entry) { return writableKey(entry.first); });
}

bool PropertyGroup::writableValue(Span const& value) {
  const std::string_view v = value.view();
  if (v.empty()) return true;
  return v.size() <= MAX_TEXT && v.find_first_of("\r\n") == std::string_view::npos && !isBlank(v.front()) &&
         v.front() != '#' && v.front() != '=' && !isBlank(v.back());
}

const char* PropertyGroup::valueAsString(const char* key, const char* def) const {
  const std::string* value = impl->find(key);
  return value ? value->c_str() : def;
}

int PropertyGroup::valueAsInt(const char* key, int def) const {
  const std::string* value = impl->find(key);
  if (!value) return def;
  const int n = int(std::strtol(value->c_str(), nullptr, 10));
  return n == 0 && (*value)[0] != '0' ? def : n;
}

double PropertyGroup::valueAsDouble(const char* key, double def) const {
  const std::string* value = impl->find(key);
  if (!value) return def;
  const double d = strtod_l(value->c_str(), nullptr, cLocale());
  // "nan" and "inf" parse, yet no setting can use them.
  return (d == 0.0 && (*value)[0] != '0') || !std::isfinite(d) ? def : d;
}

float PropertyGroup::valueAsFloat(const char* key, float def) const {
  const float f = float(valueAsDouble(key, def));
  return std::isfinite(f) ? f : def;
}

bool PropertyGroup::valueAsBool(const char* key, bool def) const {
  const std::string* value = impl->find(key);
  if (!value) return def;
  return !(value->empty() || *value == "0" || strcasecmp(value->c_str(), "false") == 0);
}

void PropertyGroup::setValue(const char* key, const char* value) {
  impl->entries[key ? key : ""] = value ? value : "";
}

void PropertyGroup::setValue(const char* key, Text const& value) {
  setValue(key, value.c_str());
}

void PropertyGroup::setValue(const char* key, int value) {
  setValue(key, std::to_string(value).c_str());
}

void PropertyGroup::setValue(const char* key, unsigned long value) {
  setValue(key, int(int32_t(uint32_t(value))));
}

void PropertyGroup::setValue(const char* key, bool value) {
  setValue(key, value ? "true" : "false");
}

void PropertyGroup::setValue(const char* key, double value, int digits) {
  char text[512];
  digits = std::max(digits, -100);
  std::to_chars_result r;
  if (digits >= 0)
    r = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, digits);
  else
    r = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::general, -digits);
  *(r.ec == std::errc() ? r.ptr : text) = 0;
  setValue(key, text);
}
