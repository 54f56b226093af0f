// Property files. The input is parsed and compared with a reference reader written from the format's rules;
// its written form must read back to the same entries and write again to the same bytes. Values set through
// the setters must read back as set, or their writing must have been warned about.
#include "fuzz.h"

#include "utils/log.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <map>
#include <optional>

namespace {

using Groups = std::map<std::optional<std::string>, std::map<std::string, std::string>>;

bool blank(char c) {
  return c == ' ' || c == '\t';
}

// One entry line: blanks and "=" are skipped; "#" starts a comment; the key runs to a blank, line end, "#"
// or "="; after blanks and "=" the value runs to the line end, its trailing blanks dropped.
void readEntry(std::string_view line, std::map<std::string, std::string>& entries) {
  size_t i = 0;
  const auto skip = [&] {
    while (i < line.size() && (blank(line[i]) || line[i] == '='))
      ++i;
  };
  skip();
  if (i >= line.size() || line[i] == '#') return;
  const size_t key = i;
  while (i < line.size() && !blank(line[i]) && line[i] != '#' && line[i] != '=')
    ++i;
  std::string k(line.substr(key, i - key));
  skip();
  std::string value;
  if (i < line.size() && line[i] != '#') {
    size_t end = line.size();
    while (end > i && blank(line[end - 1]))
      --end;
    value = line.substr(i, end - i);
  }
  entries[k] = value;
}

// The reference reader: the unnamed group's lines, then groups under "[name]" headers. After a header
// without "]" every line is skipped until the next header; "]" at a line start then selects the unnamed
// group. A header on the last line selects nothing.
Groups readReference(std::string_view text) {
  Groups groups;
  const std::vector<std::string_view> all = fuzz::lines(fuzz::withoutMark(text));
  std::optional<std::string> group;
  bool lost = false;
  for (std::string_view line : all) {
    size_t i = 0;
    while (i < line.size() && (blank(line[i]) || (!lost && line[i] == '=')))
      ++i;
    const bool header = i < line.size() && (line[i] == '[' || (lost && line[i] == ']'));
    if (!header) {
      if (!lost) readEntry(line, groups[group]);
      continue;
    }
    const size_t close = line.find(']', i);
    lost = close == std::string_view::npos;
    if (lost) continue;
    size_t name = line[i] == '[' ? i + 1 : close;
    while (name < close && blank(line[name]))
      ++name;
    group = std::nullopt;
    if (close > name) group = std::string(line.substr(name, close - name));
  }
  return groups;
}

std::string written(PropertyFile const& file) {
  MemoryOutputStream out;
  file.writeToStream(out);
  return std::string(out.view());
}

std::string logged; // every text logged under "WARN" since the last clear

// The text parsed, written, read again and written again.
void roundTrip(std::string_view text) {
  const PropertyFile file(Utf8Range(text.data(), text.size()));
  const std::string first = written(file);
  const PropertyFile again(Utf8Range(first.data(), first.size()));
  const std::string second = written(again);
  FUZZ_CHECK("propertyfile: the written form is stable", first == second,
             "first " + fuzz::show(first) + "\nsecond " + fuzz::show(second));
  // Keys and names over 511 bytes are cut and NUL ends them; the reference reader knows neither.
  bool longLine = false;
  for (std::string_view line : fuzz::lines(text))
    longLine = longLine || line.size() > 511;
  if (longLine || text.find('\0') != std::string_view::npos) return;
  const Groups reference = readReference(text);
  for (auto const& [name, entries] : reference) {
    for (auto const& [key, value] : entries) {
      const char* got = file.group(name ? name->c_str() : nullptr)->valueAsString(key.c_str(), nullptr);
      FUZZ_CHECK("propertyfile: entries are those of the reference reader", got && value == got,
                 "group " + fuzz::show(name.value_or("(unnamed)")) + " key " + fuzz::show(key) + " value " +
                     fuzz::show(value) + " got " + (got ? fuzz::show(got) : "none"));
      const char* back = again.group(name ? name->c_str() : nullptr)->valueAsString(key.c_str(), nullptr);
      FUZZ_CHECK("propertyfile: entries read back after writing", back && value == back,
                 "group " + fuzz::show(name.value_or("(unnamed)")) + " key " + fuzz::show(key));
    }
  }
}

void setters(FuzzedDataProvider& in) {
  PropertyFile file;
  std::vector<std::pair<std::optional<std::string>, std::pair<std::string, std::string>>> set;
  while (in.remaining_bytes() && set.size() < 8) {
    std::optional<std::string> name;
    if (in.ConsumeBool()) name = in.ConsumeRandomLengthString(16).c_str();
    const std::string key = in.ConsumeRandomLengthString(16).c_str();
    const std::string value = in.ConsumeRandomLengthString(600).c_str();
    file.group(name ? name->c_str() : nullptr)->setValue(key.c_str(), value.c_str());
    set.push_back({name, {key, value}});
  }
  logged.clear();
  const std::string text = written(file);
  const PropertyFile back(Utf8Range(text.data(), text.size()));
  for (auto const& [name, entry] : set) {
    // Later settings of the same key win.
    const char* now = file.group(name ? name->c_str() : nullptr)->valueAsString(entry.first.c_str(), "");
    if (now != entry.second) continue;
    const char* got = back.group(name ? name->c_str() : nullptr)->valueAsString(entry.first.c_str(), nullptr);
    FUZZ_CHECK("propertyfile: a set value reads back, or its writing is warned about",
               (got && entry.second == got) || !logged.empty(),
               "group " + fuzz::show(name.value_or("(unnamed)")) + " key " + fuzz::show(entry.first) +
                   " value " + fuzz::show(entry.second) + " read " + (got ? fuzz::show(got) : "none") +
                   "\nfile " + fuzz::show(text));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool logging = [] {
    Log::addKey("WARN");
    Log::setLogFn([](const char* text) { logged += text; });
    return true;
  }();
  (void)logging;
  roundTrip(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider in(data, size);
  setters(in);
  return 0;
}
