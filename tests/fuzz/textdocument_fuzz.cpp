// The text document's line walk over the input (repeated, so that lines cross the 4 KiB pieces), with
// random reading distances, against the bytes themselves: the walk moves on and ends at the end; a line ends
// at its first line feed, or is cut only where no line feed lies within the forward distance, at a character
// boundary of well-formed text; a line start is exact within the backward distance and never has a line
// feed after it; copies are the file's bytes. The small files' line reader splits lines as the format says.
#include "fuzz.h"

#include "documents/linereader.h"
#include "documents/textdocument.h"
#include "utils/filesystem.h"

namespace {

std::string at(size_t offset) {
  return " at " + std::to_string(offset);
}

void walkForward(TextDocument const& doc, std::string_view text, size_t forward,
                 std::vector<size_t>& starts) {
  const bool wellFormed = fuzz::validUtf8(text);
  for (size_t o = 0; o < text.size();) {
    starts.push_back(o);
    const size_t next = doc.nextLine(o);
    FUZZ_CHECK("textdocument: the walk moves on", next > o && next <= text.size(), at(o));
    const std::string_view line = text.substr(o, next - o);
    const size_t feed = line.find('\n');
    FUZZ_CHECK("textdocument: a line ends at its first line feed",
               feed == line.npos || feed + 1 == line.size(), at(o) + " line " + fuzz::show(line));
    if (feed == line.npos && next < text.size()) {
      FUZZ_CHECK("textdocument: a line is cut only where no line feed is within reach",
                 text.substr(o, forward + 1).find('\n') == std::string_view::npos,
                 at(o) + " cut after " + std::to_string(line.size()) + " bytes, distance " +
                     std::to_string(forward));
      FUZZ_CHECK("textdocument: a cut line is not much longer than the distance",
                 line.size() <= forward + TextDocument::PIECE + 4, at(o));
      if (wellFormed)
        FUZZ_CHECK("textdocument: well-formed text is cut at a character boundary",
                   (static_cast<unsigned char>(text[next]) & 0xC0) != 0x80, at(o) + " cut" + at(next));
    }
    o = next;
  }
}

// The start of x's line as the bytes say: after the last line feed before x.
size_t trueStart(std::string_view text, size_t x) {
  const size_t feed = x ? text.rfind('\n', x - 1) : std::string_view::npos;
  return feed == std::string_view::npos ? 0 : feed + 1;
}

void lineStarts(TextDocument const& doc, std::string const& path, std::string_view text, size_t backward,
                FuzzedDataProvider& in) {
  for (int i = 0; i < 6 && in.remaining_bytes(); ++i) {
    const size_t x = in.ConsumeIntegralInRange<size_t>(0, text.size() - 1);
    const size_t s = doc.startOfLine(x);
    FUZZ_CHECK("textdocument: a line start lies before the offset, with no line feed between",
               s <= x && text.substr(s, x - s).find('\n') == std::string_view::npos,
               at(x) + " start " + std::to_string(s));
    FUZZ_CHECK("textdocument: a cut line start is within reach", x - s <= backward + TextDocument::PIECE + 4,
               at(x) + " start " + std::to_string(s));
    TextDocument fresh(path.c_str());
    fresh.setMaxBackwardRead(backward);
    const size_t t = trueStart(text, x);
    if (x - t <= backward)
      FUZZ_CHECK("textdocument: a line start within reach is exact", fresh.startOfLine(x) == t,
                 at(x) + " start " + std::to_string(fresh.startOfLine(x)) + ", want " + std::to_string(t) +
                     ", distance " + std::to_string(backward));
  }
}

void copies(TextDocument const& doc, std::string_view text, std::vector<size_t> const& starts,
            FuzzedDataProvider& in) {
  char buffer[256];
  for (size_t o : starts) {
    if (o && text[o - 1] != '\n') continue;
    const size_t size = in.ConsumeIntegralInRange<size_t>(1, sizeof buffer);
    const size_t n = doc.copyLineToBuffer(o, buffer, size);
    const size_t want = std::min(doc.nextLine(o) - o, size - 1);
    FUZZ_CHECK("textdocument: a line copies as its bytes",
               n == want && text.substr(o, n) == std::string_view(buffer, n) && buffer[n] == 0, at(o));
  }
  const size_t o = in.ConsumeIntegralInRange<size_t>(0, text.size());
  const size_t n = in.ConsumeIntegralInRange<size_t>(1, sizeof buffer);
  const size_t kept = doc.copyToBuffer(o, buffer, n);
  const size_t got = std::min(n, text.size() - o);
  bool ok = kept <= got && text.substr(o, kept) == std::string_view(buffer, kept);
  if (o + n >= text.size()) {
    ok = ok && kept == got;
  } else if (kept < got) {
    // Only a sequence that the read cuts is left out.
    const auto lead = static_cast<unsigned char>(text[o + kept]);
    const size_t length = lead >= 0xF0 && lead <= 0xF7   ? 4
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xC0                 ? 2
                                                         : 1;
    ok = ok && got - kept < length && kept + length > got;
  }
  FUZZ_CHECK("textdocument: a copy keeps all but a cut last character", ok,
             at(o) + " read " + std::to_string(n) + " kept " + std::to_string(kept));
}

void lineReader(std::string const& path, std::string_view text) {
  std::vector<std::string> got;
  LineReader::readFile(path.c_str(), [&](Utf8Range const& range) {
    LineReader reader(range);
    Span line;
    while (reader.next(line))
      got.emplace_back(line.view());
  });
  const std::vector<std::string_view> want = fuzz::lines(fuzz::withoutMark(text));
  bool same = got.size() == want.size();
  for (size_t i = 0; same && i < got.size(); ++i)
    same = got[i] == want[i];
  FUZZ_CHECK("linereader: lines end at LF, CR or CR LF after a byte-order mark", same, fuzz::show(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t forward = in.ConsumeIntegralInRange<size_t>(1, 12000);
  const size_t backward = in.ConsumeIntegralInRange<size_t>(1, 12000);
  const size_t repeat = in.ConsumeIntegralInRange<size_t>(1, 24);
  const std::string piece = in.ConsumeRandomLengthString(4096);
  std::string text;
  for (size_t i = 0; i < repeat; ++i)
    text += piece;
  static const std::string path = FileSystem::path(CommonDirectory::Temp, "document.txt").c_str();
  fuzz::writeFile(path, text);
  lineReader(path, text);
  if (text.empty()) return 0;
  TextDocument doc(path.c_str());
  doc.setMaxForwardRead(forward);
  doc.setMaxBackwardRead(backward);
  FUZZ_CHECK("textdocument: a byte-order mark is skipped",
             doc.skipBOM(0) == (text.substr(0, 3) == "\xEF\xBB\xBF" ? 3u : 0u),
             fuzz::show(text.substr(0, 3)));
  std::vector<size_t> starts;
  walkForward(doc, text, forward, starts);
  lineStarts(doc, path, text, backward, in);
  copies(doc, text, starts, in);
  return 0;
}
