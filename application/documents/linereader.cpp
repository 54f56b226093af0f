#include "documents/linereader.h"

#include "utils/platform/posix/filehandle.h"

#include <cstring>
#include <string>

Utf8Range LineReader::skipBOM(Utf8Range const& text) {
  if (text.length >= 3 && std::memcmp(text.data, "\xEF\xBB\xBF", 3) == 0)
    return Utf8Range(text.data + 3, text.length - 3);
  return text;
}

void LineReader::readFile(const char* path, std::function<void(Utf8Range const&)> const& load) {
  std::string text;
  FileHandle(path).readAll(text);
  load(skipBOM(Utf8Range(text.data(), text.size())));
}

bool LineReader::next(Span& line) {
  if (!m_next || m_next >= m_end) return false;
  const char* p = m_next;
  while (p < m_end && *p != '\n' && *p != '\r')
    ++p;
  line = Span(m_next, size_t(p - m_next));
  if (p < m_end && *p == '\r') ++p;
  if (p < m_end && *p == '\n') ++p;
  m_next = p;
  return true;
}
