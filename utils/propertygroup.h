// One named map of keys to text values with typed getters and setters: a group of a property file. Numbers
// are read and written in the C locale, whatever the process locale is.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <memory>

class OutputStream;
class Text;

class PropertyGroup {
public:
  // A null name is the unnamed group at the top of a file.
  explicit PropertyGroup(const char* name);
  PropertyGroup(PropertyGroup const&) = delete;
  PropertyGroup& operator=(PropertyGroup const&) = delete;
  ~PropertyGroup();

  const char* name() const; // null for the unnamed group
  size_t size() const;      // number of keys
  void clear();

  // Adds the key and value lines from the start of text up to a line that begins with "[" (or the end);
  // keys, values and names longer than 511 bytes are cut at a character boundary and a NUL byte ends them,
  // a value so cut loses the blanks left at its end, and a key that begins with a NUL byte is dropped.
  // Returns the bytes used.
  size_t readFromUtf8Range(Utf8Range const& text);
  // The entry lines in key order, "    key = value\n". A key that would not read back (empty, longer than
  // 511 bytes, holding a blank, line end, "#" or "=", or beginning with "[") is skipped and logged under
  // "WARN"; line ends inside a value are written as spaces, so that no value can add keys. A value that will
  // not read back as written (see writableValue) is written all the same and logged under "WARN".
  void writeToStream(OutputStream& out) const;
  // Whether writeToStream writes at least one entry.
  bool hasWritableEntries() const;
  // Whether a value reads back as written: no line end, no leading blank, "#" or "=", no trailing blank,
  // at most 511 bytes.
  static bool writableValue(Span const& value);

  // The stored text, or def when the key is absent; valid until the key is set again or the group cleared.
  const char* valueAsString(const char* key, const char* def) const;
  // The number read, or def when the text gives 0 without beginning with "0" (or, for the floating-point
  // getters, a number that is not finite in the type asked for).
  int valueAsInt(const char* key, int def) const;
  double valueAsDouble(const char* key, double def) const;
  float valueAsFloat(const char* key, float def) const;
  // def when absent; false for "false", "0" or the empty text in any case; true otherwise.
  bool valueAsBool(const char* key, bool def) const;

  // Stores copies; a null key or value is stored as the empty text.
  void setValue(const char* key, const char* value);
  void setValue(const char* key, Text const& value);
  void setValue(const char* key, int value);
  // Stored as the low 32 bits, as a signed number: read it back with valueAsInt.
  void setValue(const char* key, unsigned long value);
  void setValue(const char* key, bool value);
  // digits >= 0: that many decimals; digits < 0: -digits significant digits.
  void setValue(const char* key, double value, int digits);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
