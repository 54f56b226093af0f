#include "documents/searchhistory.h"

#include "documents/linereader.h"
#include "utils/outputstream.h"
#include "utils/text.h"

#include <algorithm>

namespace {
// Terms are NUL-terminated strings: the bytes after an embedded NUL never reach the list.
Span uptoNul(Span const& s) {
  if (!s.data) return Span();
  const void* nul = std::memchr(s.data, 0, s.length);
  return nul ? Span(s.data, size_t(static_cast<const char*>(nul) - s.data)) : s;
}

bool hasLineBreak(Text const& t) {
  return t.view().find_first_of("\r\n") != std::string_view::npos;
}
} // namespace

struct SearchHistory::Impl {
  std::vector<Text> terms; // index 0 the newest
  size_t maxTerms = 20;
};

SearchHistory::SearchHistory() : impl(std::make_unique<Impl>()) {}
SearchHistory::~SearchHistory() = default;

void SearchHistory::setMaxSearchTerms(size_t max) {
  impl->maxTerms = max;
}
size_t SearchHistory::maxSearchTerms() const {
  return impl->maxTerms;
}

void SearchHistory::addTerm(Span const& term) {
  const Span key = uptoNul(term);
  if (key.empty()) return;
  auto& terms = impl->terms;
  const auto found = std::find_if(terms.begin(), terms.end(), [&](Text const& t) { return t.span() == key; });
  if (found != terms.end()) {
    std::rotate(terms.begin(), found, found + 1);
    return;
  }
  while (!terms.empty() && terms.size() >= impl->maxTerms)
    terms.pop_back();
  terms.insert(terms.begin(), Text(key));
}

void SearchHistory::getTerms(std::vector<const char*>& terms) const {
  terms.clear();
  terms.reserve(impl->terms.size());
  for (Text const& t : impl->terms)
    terms.push_back(t.c_str());
}

void SearchHistory::clear() {
  impl->terms.clear();
}

void SearchHistory::loadFromFile(const char* path) {
  LineReader::readFile(path, [this](Utf8Range const& text) { loadFromUtf8Range(text); });
}

void SearchHistory::loadFromUtf8Range(Utf8Range const& text) {
  clear();
  LineReader lines(text);
  Span line;
  while (impl->terms.size() < impl->maxTerms && lines.next(line))
    impl->terms.emplace_back(uptoNul(line));
}

void SearchHistory::saveToOutputStream(OutputStream& out) const {
  for (Text const& t : impl->terms) {
    if (hasLineBreak(t)) continue;
    out << t.span() << System::NEWLINE;
  }
}
