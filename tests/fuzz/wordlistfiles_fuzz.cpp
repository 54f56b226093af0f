// Word-list files: word sets read from text hold exactly its lines (a byte-order mark at the start skipped);
// written and read again, in memory and through a file, they are the same set; a diff between two sets
// turns one into the other and back; level lists concatenated as the builder does hold both lists' words;
// a list file keeps its display name, read-only flag and revision through writing and reading.
#include "fuzz.h"

#include "text/proficiencylevelfilebuilder.h"
#include "text/wordhash.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"
#include "wordlists/wordlist.h"

#include <algorithm>
#include <set>

namespace {

using Words = std::set<std::string>;

Words linesOf(std::string_view text) {
  Words words;
  for (std::string_view line : fuzz::lines(fuzz::withoutMark(text)))
    words.emplace(line);
  return words;
}

Words wordsOf(WordHash const& hash) {
  Words words;
  for (Span const& w : hash.words())
    words.emplace(w.view());
  return words;
}

std::string describe(Words const& words) {
  std::string out = "{";
  for (std::string const& w : words)
    out += " " + fuzz::show(w, 40);
  return out + " }";
}

std::string file(const char* name) {
  return fuzz::folder() + "/" + name;
}

std::string textOf(WordHash const& hash) {
  MemoryOutputStream out;
  hash.writeToStream(out);
  return std::string(out.view());
}

void readAndWrite(std::string_view text, Words const& expected) {
  WordHash hash(10);
  hash.readFromUtf8Range(Utf8Range(text.data(), text.size()));
  FUZZ_CHECK("wordlist: a set holds the text's lines",
             wordsOf(hash) == expected && hash.totalWords() == expected.size(),
             fuzz::show(text) + " read " + describe(wordsOf(hash)));
  fuzz::writeFile(file("words.txt"), text);
  const WordHash fromFile(10, file("words.txt").c_str(), false);
  FUZZ_CHECK("wordlist: a set read from a file holds its lines", wordsOf(fromFile) == expected,
             fuzz::show(text) + " read " + describe(wordsOf(fromFile)));
  const WordHash prefixes(10, file("words.txt").c_str(), true);
  Words nonEmpty = expected;
  nonEmpty.erase("");
  FUZZ_CHECK("wordlist: a prefix set holds the text's lines", wordsOf(prefixes) == nonEmpty,
             fuzz::show(text) + " read " + describe(wordsOf(prefixes)));
  for (std::string const& w : nonEmpty) {
    if (!fuzz::validUtf8(w)) continue;
    for (size_t i = 0; i < w.size(); i += fuzz::decodeStrict(w, i).length)
      FUZZ_CHECK("wordlist: a prefix set knows every word's prefixes",
                 prefixes.exists(Span(w.data(), i)) != WordHash::Absent || i == 0, fuzz::show(w));
  }

  // The written form: sorted lines, each ended, read back to the same words.
  const std::string written = textOf(hash);
  FUZZ_CHECK("wordlist: a set reads back as written", linesOf(written) == expected,
             describe(expected) + " written " + fuzz::show(written));
  FUZZ_CHECK("wordlist: a set saves and loads",
             hash.save(nullptr, file("saved.txt").c_str()) &&
                 wordsOf(WordHash(10, file("saved.txt").c_str(), false)) == expected,
             describe(expected));
}

void diff(std::string_view from, std::string_view to) {
  WordHash a(10), b(10);
  a.readFromUtf8Range(Utf8Range(from.data(), from.size()));
  b.readFromUtf8Range(Utf8Range(to.data(), to.size()));
  const Words before = wordsOf(a);
  const Text d = a.diff(b);
  a.applyDiff(d.span());
  FUZZ_CHECK("wordlist: a diff turns one set into the other", wordsOf(a) == wordsOf(b),
             describe(before) + " to " + describe(wordsOf(b)) + " by " + fuzz::show(d.view()));
  a.applyDiffReverse(d.span());
  FUZZ_CHECK("wordlist: a diff reversed turns it back", wordsOf(a) == before,
             describe(before) + " by " + fuzz::show(d.view()) + " back to " + describe(wordsOf(a)));
}

// Two level lists copied into one file as the builder does; line ends across the join may merge, so empty
// words are not compared.
void concatenate(std::string_view first, std::string_view second) {
  fuzz::writeFile(file("level-1.txt"), first);
  fuzz::writeFile(file("level-2.txt"), second);
  {
    FileWriter out(file("levels.txt").c_str(), 0);
    ProficiencyLevelFileBuilder::writeFileToFile(out, file("level-1.txt").c_str());
    ProficiencyLevelFileBuilder::writeFileToFile(out, file("level-2.txt").c_str());
    out.close();
  }
  Words expected = linesOf(first), got = wordsOf(WordHash(10, file("levels.txt").c_str(), false));
  expected.merge(linesOf(second));
  expected.erase("");
  got.erase("");
  FUZZ_CHECK("wordlist: concatenated level lists hold both lists' words", got == expected,
             fuzz::show(first) + " + " + fuzz::show(second) + " read " + describe(got));
}

void listFile(FuzzedDataProvider& in) {
  WordList list;
  const std::string name = in.ConsumeRandomLengthString(600).c_str();
  list.setDisplayName(name.c_str());
  list.setReadOnly(in.ConsumeBool());
  const std::string revision = in.ConsumeBytesAsString(20);
  list.setCurrentRevision(OpenSSL::SHA1::of(revision.data(), revision.size()));
  MemoryOutputStream out;
  list.writeToStream(out);
  WordList back;
  back.readFromUtf8Range(Utf8Range(out.data(), out.size()));
  FUZZ_CHECK("wordlist: a list file keeps its flag and revision",
             back.readOnly() == list.readOnly() && back.currentRevision() == list.currentRevision(),
             fuzz::show(out.view()));
  FUZZ_CHECK("wordlist: a display name reads back as it is shown",
             std::string_view(back.displayName()) == list.displayName(),
             "set " + fuzz::show(name) + " shown " + fuzz::show(list.displayName()) + " read " +
                 fuzz::show(back.displayName()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string first = in.ConsumeRandomLengthString(600);
  const std::string second = in.ConsumeRandomLengthString(600);
  readAndWrite(first, linesOf(first));
  diff(first, second);
  concatenate(first, second);
  listFile(in);
  return 0;
}
