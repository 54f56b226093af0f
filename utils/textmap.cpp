#include "utils/textmap.h"

#include <cstring>
#include <deque>
#include <utility>

struct TextMap::Impl {
  std::deque<std::pair<int, Text>> entries; // in insertion order; a deque keeps handed-out references valid
};

TextMap::TextMap() : impl(std::make_unique<Impl>()) {}
TextMap::~TextMap() = default;

int TextMap::get(const char* text, int def) const {
  for (const auto& [id, entry] : impl->entries) {
    if (!text || !entry.data()) {
      if (!text && !entry.data()) return id;
    } else if (std::strcmp(text, entry.data()) == 0) {
      return id;
    }
  }
  return def;
}

Text& TextMap::get(int id) {
  for (auto& entry : impl->entries)
    if (entry.first == id) return entry.second;
  impl->entries.emplace_back(id, Text());
  return impl->entries.back().second;
}
