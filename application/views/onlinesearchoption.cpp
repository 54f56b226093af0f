#include "views/onlinesearchoption.h"

#include "curlpp/curlpp.h"
#include "utils/outputstream.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <algorithm>
#include <cstring>

namespace {

// An escaping failure gives the empty text, so the link still opens, without the word.
Text escaped(Span word) {
  try {
    return CurlPP::Curl().escape(word);
  } catch (zun::exception const&) {
    return Text();
  }
}

bool before(OnlineSearchOption const& a, OnlineSearchOption const& b) {
  if (a.order() != b.order()) return a.order() < b.order();
  if (const int byName = std::strcmp(a.name(), b.name())) return byName < 0;
  return std::strcmp(a.link(), b.link()) < 0;
}

} // namespace

OnlineSearchOption::OnlineSearchOption(PropertyGroup const& group)
    : m_name(group.name()), m_link(group.valueAsString("link", "")),
      m_order(static_cast<unsigned long>(long(group.valueAsInt("order", -1)))) {}

OnlineSearchOption::OnlineSearchOption(const char* name, const char* link) : m_name(name), m_link(link) {}

std::string OnlineSearchOption::linkForWord(Span word) const {
  const std::string_view link = m_link.view();
  const Text escapedWord = escaped(word);
  std::string result;
  result.reserve(link.size() + 32);
  for (size_t i = 0; i < link.size(); ++i) {
    const char next = i + 1 < link.size() ? link[i + 1] : 0;
    if (link[i] == '%' && next == 's') {
      result += escapedWord.view();
      ++i;
    } else if (link[i] == '%' && next == '%') {
      result += '%';
      ++i;
    } else {
      result += link[i];
    }
  }
  return result;
}

OutputStream& operator<<(OutputStream& out, OnlineSearchOption const& option) {
  // Through a property file of its own, so that a name that could not be read back is refused there.
  PropertyFile file;
  PropertyGroup& group = *file.group(option.name());
  group.setValue("link", option.link());
  group.setValue("order", option.order());
  file.writeToStream(out);
  return out;
}

OutputStream& operator<<(OutputStream& out, std::vector<OnlineSearchOption> const& options) {
  for (OnlineSearchOption const& option : options)
    out << option;
  return out;
}

PropertyFile const& operator>>(PropertyFile const& file, std::vector<OnlineSearchOption>& options) {
  for (std::string const& name : file.groups()) {
    const OnlineSearchOption option(*file.group(name.c_str()));
    const auto same = std::find_if(options.begin(), options.end(), [&](OnlineSearchOption const& o) {
      return std::strcmp(o.link(), option.link()) == 0;
    });
    if (same == options.end())
      options.push_back(option);
    else
      same->order(std::min(same->order(), option.order()));
  }
  std::sort(options.begin(), options.end(), before);
  return file;
}
