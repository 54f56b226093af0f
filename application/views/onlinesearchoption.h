// One site for looking a word up online: the name shown in the "Online lookup" menus, a link template into
// which the word goes ("%s"), and the menu position. In the file "data/online-search" each option is a group
// named by the option, with the keys "link" and "order".
#pragma once

#include "utils/span.h"
#include "utils/text.h"

#include <string>
#include <vector>

class OutputStream;
class PropertyFile;
class PropertyGroup;

class OnlineSearchOption {
public:
  // The order of an option without one: after every numbered option (stored as -1).
  static constexpr unsigned long NO_ORDER = ~0ul;

  // name = the group's name, link = "link", order = "order" (absent or unreadable: NO_ORDER).
  explicit OnlineSearchOption(PropertyGroup const& group);
  // A null name or link is left empty.
  OnlineSearchOption(const char* name, const char* link);

  const char* name() const { return m_name.c_str(); }
  const char* link() const { return m_link.c_str(); }
  unsigned long order() const { return m_order; }
  void order(unsigned long order) { m_order = order; }

  // The template with every "%s" replaced by the word's UTF-8 bytes percent-encoded (all but ASCII letters,
  // digits and "-._~", upper-case hex) and every "%%" by "%"; any other "%" stays as it is. The template is
  // the user's text: it is walked, never used as a format.
  std::string linkForWord(Span word) const;

  // Name and link; the order is not compared.
  bool operator==(OnlineSearchOption const& o) const { return m_name == o.m_name && m_link == o.m_link; }

private:
  Text m_name;
  Text m_link;
  unsigned long m_order = NO_ORDER;
};

// The option's group: "[name]", "link", "order" (its low 32 bits as a signed number).
OutputStream& operator<<(OutputStream& out, OnlineSearchOption const& option);
// Each option in turn, in vector order.
OutputStream& operator<<(OutputStream& out, std::vector<OnlineSearchOption> const& options);
// Merges the file's options into the list: an option whose link is already listed only lowers that
// option's order; others are appended; then the list is sorted by order, name and link.
PropertyFile const& operator>>(PropertyFile const& file, std::vector<OnlineSearchOption>& options);
