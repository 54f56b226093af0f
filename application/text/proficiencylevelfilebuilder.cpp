#include "text/proficiencylevelfilebuilder.h"

#include "text/wordhash.h"
#include "text/wordhashtokenizer.h"
#include "text/wordlistfile.h"
#include "utils/filefinder.h"
#include "utils/log.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/textbuffer.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char MARK[] = "\xEF\xBB\xBF";

// Nothing written to the file yet, also by an earlier writer (an appending writer's offset says nothing
// before its first write).
bool isEmpty(FileWriter const& writer) {
  const int fd = writer.createReadHandle(nullptr, 0);
  struct stat st {};
  const bool empty = fd >= 0 && ::fstat(fd, &st) == 0 && st.st_size == 0;
  if (fd >= 0) ::close(fd);
  return empty;
}

} // namespace

bool ProficiencyLevelFileBuilder::addLevels(Type type, size_t from, size_t to, FileWriter* writer,
                                            WordHash* words) {
  bool result = false;
  for (size_t level = from; level <= to; ++level) {
    TextBuffer<64> name;
    name.format("%s%zu.txt", type == HSK ? "wordlists/hsk-" : "wordlists/tocfl-", level);
    FileFinder finder;
    finder.add(CommonDirectory::Resources);
    finder.add(CommonDirectory::Base);
    const char* path = finder.find(name.c_str());
    if (!path) continue;
    if (writer)
      result = writeFileToFile(*writer, path);
    else
      result = words && words->addFromFile(path);
  }
  return result;
}

bool ProficiencyLevelFileBuilder::create(Type type, const char* path, size_t level) {
  return create(type, path, level, level);
}

bool ProficiencyLevelFileBuilder::create(Type type, const char* path, size_t from, size_t to) {
  if (!path) return false;
  try {
    FileWriter writer(path, 0);
    const bool written = addLevels(type, from, to, &writer, nullptr);
    return writer.close() && written;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Unable to write the level list:\n", e);
  }
  return false;
}

bool ProficiencyLevelFileBuilder::createWordHash(Type type, WordHash& words, size_t level) {
  return createWordHash(type, words, level, level);
}

bool ProficiencyLevelFileBuilder::createWordHash(Type type, WordHash& words, size_t from, size_t to) {
  words.clear();
  return addLevels(type, from, to, nullptr, &words);
}

bool ProficiencyLevelFileBuilder::addToWordHash(Type type, WordHash& words, size_t level) {
  return addLevels(type, level, level, nullptr, &words);
}

bool ProficiencyLevelFileBuilder::writeFileToFile(FileWriter& writer, const char* path) {
  if (!path) return false;
  try {
    const WordListFile file(path);
    // A byte-order mark is the file's own: in the middle of the concatenation it would begin a word.
    const Utf8Range bytes = WordHashTokenizer::skipByteOrderMark(file.range());
    // Unless the word that then starts the output begins with U+FEFF: a mark of our own keeps it whole.
    if (WordHashTokenizer::skipByteOrderMark(bytes).data != bytes.data && isEmpty(writer) &&
        writer.write(MARK, 3) != 3)
      return false;
    if (writer.write(bytes.data, bytes.length) != bytes.length) return false;
    // Files are written one after another: an unfinished last line would run into the next file's first.
    if (bytes.length && bytes.data[bytes.length - 1] != '\n' && bytes.data[bytes.length - 1] != '\r')
      return writer.write("\n", 1) == 1;
    return true;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Unable to copy a level list:\n", e);
  }
  return false;
}
