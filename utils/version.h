// A version number major.minor.patch, parsed from texts such as "1.6.3" and compared field by field.
#pragma once

#include <compare>
#include <cstddef>

class Version {
public:
  Version() = default;
  Version(int major, int minor, int patch) : major(major), minor(minor), patch(patch) {}
  // Up to three numbers separated by "."; what is missing is 0 and a null text gives 0.0.0.
  explicit Version(const char* text);

  // "major.minor.patch", cut to size - 1 bytes; returns the length.
  size_t asText(char* out, size_t size) const;

  auto operator<=>(Version const&) const = default;

  int major = 0;
  int minor = 0;
  int patch = 0;
};
