#include "views/propertymodel.h"

#include "views/clipboard.h"

std::string PropertyModel::text(std::vector<PropertyIndex> const& rows) const {
  std::string out;
  out.reserve(4096);
  for (PropertyIndex const& row : rows) {
    if (row.isGroupHeader()) {
      const char* title = groupName(row.group);
      out.append(title ? title : "").append("\n");
      continue;
    }
    // Each text is copied before the next call, which may reuse the model's buffer.
    const char* name = rowName(row.group, uint64_t(row.index));
    out.append("\t").append(name ? name : "").append("\t");
    const char* shown = value(row.group, uint64_t(row.index));
    out.append(shown ? shown : "").append("\n");
  }
  return out;
}

bool PropertyModel::copy(std::vector<PropertyIndex> const& rows, bool append) const {
  if (rows.empty()) return false;
  const std::string joined = text(rows);
  Clipboard clipboard;
  if (append)
    clipboard.appendText(Span(joined));
  else
    clipboard.setText(Span(joined));
  return true;
}
