// Detection over samples cut from the real corpus texts, in the groups where detectors go wrong: very short
// texts, 40-byte cuts, mostly-ASCII texts with a few Chinese words, UTF-16 without a byte-order mark; and
// ordinary three-line samples, which must all be right. The simplified text is GB18030 (its legacy file is
// GB2312), the traditional one Big5; every sample is also tried in UTF-8. The counts of right answers are
// pinned, so that a change in detection shows. With QM_ENCODING_SAMPLES naming a folder, the samples are
// written there (one folder per group, source and encoding) for other tools to be compared on.
#include "encoding/encodingdetector.h"

#include "support/recode.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t SAMPLES = 150; // per group, source and encoding

// One corpus text as lines of characters, each character in UTF-8 and in the legacy encoding. Lines keep
// their CR LF ends.
struct Source {
  const char* name;
  EncodingDetector::Encoding legacy;
  std::string utf8, legacyBytes; // the whole files
  std::vector<std::vector<std::pair<std::string, std::string>>> lines;
};

size_t legacyLength(unsigned char b) {
  return b < 0x80 ? 1 : 2; // the corpus files hold only one- and two-byte codes
}

std::vector<std::string> splitLines(std::string const& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

Source load(const char* name, const char* utf8File, const char* legacyFile,
            EncodingDetector::Encoding legacy) {
  const fs::path corpus = qmtest::sharedDataDir() / "corpus";
  Source s{name, legacy, qmtest::readFile(corpus / utf8File), qmtest::readFile(corpus / legacyFile), {}};
  if (s.utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) s.utf8.erase(0, 3);
  const auto u = splitLines(s.utf8), l = splitLines(s.legacyBytes);
  EXPECT_EQ(u.size(), l.size());
  for (size_t i = 0; i < std::min(u.size(), l.size()); ++i) {
    std::vector<std::pair<std::string, std::string>> line;
    size_t a = 0, b = 0;
    while (a < u[i].size() && b < l[i].size()) {
      size_t n = 1;
      while (a + n < u[i].size() && (static_cast<unsigned char>(u[i][a + n]) & 0xC0) == 0x80)
        ++n;
      const size_t m = legacyLength(static_cast<unsigned char>(l[i][b]));
      line.emplace_back(u[i].substr(a, n), l[i].substr(b, m));
      a += n, b += m;
    }
    EXPECT_TRUE(a == u[i].size() && b == l[i].size()) << name << " line " << i;
    s.lines.push_back(std::move(line));
  }
  return s;
}

// A sample in both encodings, from characters [from, to) of a line, or from lines [from, to).
std::pair<std::string, std::string> characters(Source const& s, size_t line, size_t from, size_t to) {
  std::pair<std::string, std::string> out;
  for (size_t c = from; c < to; ++c)
    out.first += s.lines[line][c].first, out.second += s.lines[line][c].second;
  return out;
}
std::pair<std::string, std::string> lines(Source const& s, size_t from, size_t to) {
  std::pair<std::string, std::string> out;
  for (size_t i = from; i < to; ++i) {
    const auto l = characters(s, i, 0, s.lines[i].size());
    out.first += l.first, out.second += l.second;
  }
  return out;
}

bool nonAscii(std::string const& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

// The English around the Chinese words of the mostly-ASCII samples.
const char* const ENGLISH[] = {
    "Notes from the reading group, week twelve. We read the opening pages again and compared the ",
    "translations that members brought along. Several people asked about the word ",
    " and how it differs from the one used in the headline, so we looked both up in the dictionary. ",
    "Next time we start on the second article; please bring your questions and a copy of the text. ",
    "The phrase ",
    " came up twice, once in the first paragraph and again near the end of the piece. ",
    "Remember that the library closes early on Fridays, and that the room has changed to 4B. ",
};

class Samples {
public:
  Samples() {
    if (const char* keep = std::getenv("QM_ENCODING_SAMPLES"))
      m_root = keep;
    else
      m_root = m_temp.path();
  }

  // Writes the sample and tells whether the detector names the expected encoding.
  bool right(std::string const& group, std::string const& bytes, EncodingDetector::Encoding expected) {
    const fs::path folder = m_root / group;
    fs::create_directories(folder);
    const fs::path file = folder / (std::to_string(++m_count[group]) + ".txt");
    qmtest::writeFile(file, bytes);
    return m_detector.detect(file.c_str()) == expected;
  }

private:
  qmtest::TempDir m_temp;
  fs::path m_root;
  EncodingDetector m_detector;
  std::map<std::string, size_t> m_count;
};

struct Tally {
  size_t utf8 = 0, legacy = 0;
};

// Right answers for one group of one source: in UTF-8, and in the legacy encoding (or UTF-16 LE and BE).
using Group = std::map<std::string, Tally>;

Group detectAll(Source const& s, Samples& samples) {
  Group g;
  const std::string name = s.name;
  const std::string legacyName = s.legacy == EncodingDetector::Gb18030 ? "gb18030" : "big5";
  auto tryBoth = [&](std::string const& group, std::pair<std::string, std::string> const& sample) {
    g[group].utf8 += samples.right(group + "-" + name + "-utf-8", sample.first, EncodingDetector::Utf8);
    g[group].legacy += samples.right(group + "-" + name + "-" + legacyName, sample.second, s.legacy);
  };
  const size_t lineCount = s.lines.size();

  for (size_t k = 0; k < SAMPLES; ++k) {
    const size_t first = k * (lineCount - 3) / SAMPLES;
    tryBoth("ordinary", lines(s, first, first + 3));
    const std::string utf8 = lines(s, first, first + 3).first;
    g["utf16"].utf8 += samples.right("utf16-" + name + "-utf-16le", qmtest::recode(utf8, "UTF-8", "UTF-16LE"),
                                     EncodingDetector::Utf16LE);
    g["utf16"].legacy += samples.right("utf16-" + name + "-utf-16be",
                                       qmtest::recode(utf8, "UTF-8", "UTF-16BE"), EncodingDetector::Utf16BE);
  }

  // 1 to 10 characters, none of them ASCII, from successive lines that have them.
  for (size_t k = 0, step = 0; k < SAMPLES && step < 10 * lineCount; ++step) {
    const size_t line = step * 7 % lineCount, n = 1 + k % 10;
    auto const& chars = s.lines[line];
    for (size_t start = (k * 5) % 40; start + n <= chars.size(); ++start) {
      bool chinese = true;
      for (size_t c = start; c < start + n && chinese; ++c)
        chinese = nonAscii(chars[c].first);
      if (!chinese) continue;
      tryBoth("short", characters(s, line, start, start + n));
      ++k;
      break;
    }
  }

  // 40 bytes from anywhere in the files, characters cut at either end.
  for (size_t k = 0; k < SAMPLES; ++k) {
    const std::string u = s.utf8.substr(k * (s.utf8.size() - 40) / SAMPLES, 40);
    const std::string l = s.legacyBytes.substr(k * (s.legacyBytes.size() - 40) / SAMPLES, 40);
    g["cut40"].utf8 += nonAscii(u) && samples.right("cut40-" + name + "-utf-8", u, EncodingDetector::Utf8);
    g["cut40"].legacy += nonAscii(l) && samples.right("cut40-" + name + "-" + legacyName, l, s.legacy);
  }

  // English with three Chinese words of two to four characters in its first 512 bytes.
  for (size_t k = 0, step = 0; k < SAMPLES && step < 10 * lineCount; ++step) {
    const size_t line = step * 11 % lineCount;
    std::vector<std::pair<std::string, std::string>> words;
    auto const& chars = s.lines[line];
    for (size_t start = 0; words.size() < 3 && start + 4 <= chars.size(); start += 5) {
      const size_t n = 2 + (k + words.size()) % 3;
      bool chinese = true;
      for (size_t c = start; c < start + n; ++c)
        chinese = chinese && nonAscii(chars[c].first) && chars[c].first.size() == 3;
      if (chinese) words.push_back(characters(s, line, start, start + n));
    }
    if (words.size() < 3) continue;
    std::pair<std::string, std::string> sample;
    for (size_t part = 0; sample.first.size() < 700; ++part) {
      const std::string english = ENGLISH[(k + part) % std::size(ENGLISH)];
      sample.first += english, sample.second += english;
      if (part < words.size()) sample.first += words[part].first, sample.second += words[part].second;
    }
    tryBoth("ascii", sample);
    ++k;
  }
  return g;
}

} // namespace

TEST(EncodingDetectorSamplesTest, HardCasesFromTheCorpus) {
  const Source sources[] = {
      load("pku", "pku_test.utf8", "pku_test.txt", EncodingDetector::Gb18030),
      load("cityu", "cityu_test.utf8", "cityu_test.txt", EncodingDetector::Big5),
  };
  // Right answers out of SAMPLES, {in UTF-8, in the legacy encoding}; for "utf16", {LE, BE}. Ordinary
  // samples are all right; a short legacy sample of one character (two bytes) is taken for UTF-8.
  const std::map<std::string, std::map<std::string, std::pair<size_t, size_t>>> pinned = {
      {"pku",
       {{"ordinary", {150, 150}},
        {"short", {150, 133}},
        {"cut40", {150, 140}},
        {"ascii", {150, 150}},
        {"utf16", {145, 145}}}},
      {"cityu",
       {{"ordinary", {150, 150}},
        {"short", {150, 130}},
        {"cut40", {150, 150}},
        {"ascii", {150, 150}},
        {"utf16", {150, 150}}}},
  };
  Samples samples;
  for (auto const& s : sources) {
    const Group g = detectAll(s, samples);
    for (auto const& [group, tally] : g) {
      SCOPED_TRACE(std::string(s.name) + " " + group);
      std::cout << s.name << " " << group << ": " << tally.utf8 << " " << tally.legacy << "\n";
      EXPECT_EQ(tally.utf8, pinned.at(s.name).at(group).first);
      EXPECT_EQ(tally.legacy, pinned.at(s.name).at(group).second);
    }
  }
}
