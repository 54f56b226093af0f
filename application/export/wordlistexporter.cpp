#include "export/wordlistexporter.h"

#include "dictionary/dictionary.h"
#include "dictionary/toneconverter.h"
#include "documents/textdocument.h"
#include "export/exportcontext.h"
#include "export/exportfield.h"
#include "text/proficiencylevel.h"
#include "text/wordhash.h"
#include "text/wordstatistics.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/text.h"
#include "utils/textbuffer.h"

#include <string>

namespace {
// The cells of one row that don't come from the record itself.
struct RowContext {
  Dictionary::Info info;
  std::string sentence, clozeSentence, line, clozeLine;
};

void appendLevel(std::string& cell, uint16_t mask) {
  char buffer[21]; // at most 20 characters
  ProficiencyLevel{mask, 0}.asText(buffer, sizeof buffer);
  cell += buffer;
}

void appendFixed(std::string& cell, double value) {
  char buffer[64];
  Format::fixed(value, 4, 0, buffer, sizeof buffer);
  cell += buffer;
}
} // namespace

struct WordListExporter::Impl {
  Impl(std::vector<WordStatistics*>&& rows, std::vector<int> const& fields, Dictionary const& dictionary,
       const char* documentFile)
      : rows(std::move(rows)), fields(fields), dictionary(dictionary), documentFile(documentFile) {}

  void appendCell(std::string& row, int field, WordStatistics const& record, RowContext const& context);
  bool emitRows(OutputStream& out, WordStatistics const& record, RowContext& context, bool const* used);

  WordHash* known = nullptr;    // gains every exported word, when given
  WordHash* lookedUp = nullptr; // loses every exported word, when given
  std::vector<WordStatistics*> rows;
  std::vector<int> fields; // column order
  Dictionary const& dictionary;
  Text header;
  Text documentFile;
  Text separator = "\t";
  Text newline = "\r\n";
  TextBuffer<0> pinyin; // scratch for the tone-marked pinyin
  std::string row;      // one row, written in one piece
};

WordListExporter::WordListExporter(std::vector<WordStatistics*>&& rows, std::vector<int> const& fields,
                                   Dictionary const& dictionary, const char* documentFile)
    : impl(std::make_unique<Impl>(std::move(rows), fields, dictionary, documentFile)) {}
WordListExporter::~WordListExporter() = default;

void WordListExporter::setSeparator(const char* separator) {
  impl->separator = separator;
}
void WordListExporter::setNewline(const char* newline) {
  impl->newline = newline;
}
void WordListExporter::setHeader(const char* header) {
  impl->header = header;
}
void WordListExporter::setKnownWords(WordHash* known, WordHash* lookedUp) {
  impl->known = known;
  impl->lookedUp = lookedUp;
}

void WordListExporter::prepareFields(bool* used) const {
  for (int f : impl->fields)
    if (f >= 0 && f < ExportField::COUNT) used[f] = true;
}

void WordListExporter::Impl::appendCell(std::string& out, int field, WordStatistics const& record,
                                        RowContext const& c) {
  switch (field) {
  case ExportField::Word:
    out.append(record.word.view());
    break;
  case ExportField::Simplified:
    out += c.info.simplified;
    break;
  case ExportField::Traditional:
    out += c.info.traditional;
    break;
  case ExportField::SimplifiedTraditional:
    if (!c.info.simplified.empty() || !c.info.traditional.empty())
      out += c.info.simplified + "[" + c.info.traditional + "]";
    break;
  case ExportField::PinyinTones:
    ToneConverter::numbersToTones(Span(c.info.pinyin), pinyin);
    out.append(pinyin.c_str(), pinyin.length());
    break;
  case ExportField::PinyinNumbers:
    out += c.info.pinyin;
    break;
  case ExportField::EnglishDefinition:
    out += c.info.english;
    break;
  case ExportField::Sentence:
    out += c.sentence;
    break;
  case ExportField::ClozeSentence:
    out += c.clozeSentence;
    break;
  case ExportField::Frequency:
    out += std::to_string(record.frequency);
    break;
  case ExportField::PercentFrequency:
    appendFixed(out, record.percentageFrequency);
    break;
  case ExportField::CumulativeFrequency:
    appendFixed(out, record.cumulativePercentageFrequency);
    break;
  case ExportField::FirstOccurrence:
    out += std::to_string(record.firstOccurrence);
    break;
  case ExportField::HskLevel:
    appendLevel(out, record.hskLevel);
    break;
  case ExportField::Line:
    out += c.line;
    break;
  case ExportField::ClozeLine:
    out += c.clozeLine;
    break;
  case ExportField::TocflLevel:
    appendLevel(out, record.tocflLevel);
    break;
  default:
    break;
  }
}

// One row without a dictionary entry, or one per entry: more than the first only when pinyin or definitions
// are exported, and an entry that repeats the previous row's pinyin only when definitions are.
bool WordListExporter::Impl::emitRows(OutputStream& out, WordStatistics const& record, RowContext& context,
                                      bool const* used) {
  const bool needEntries = used[1] || used[2] || used[3] || used[4] || used[5] || used[6];
  const bool everyEntry = used[4] || used[5] || used[6];
  DictionaryItem const* item = needEntries ? dictionary.item(record.word) : nullptr;
  const unsigned long entries = item ? item->size() : 0;
  std::string previousPinyin;
  for (unsigned long i = 0; i == 0 || (everyEntry && i < entries); ++i) {
    context.info = Dictionary::Info();
    DictionaryEntry const* entry = item ? item->elementAt(i) : nullptr;
    if (entry && !dictionary.getInfo(*entry, context.info)) context.info = Dictionary::Info();
    if (i > 0 && !used[6] && context.info.pinyin == previousPinyin) continue;
    previousPinyin = context.info.pinyin;
    row.clear();
    for (size_t f = 0; f < fields.size(); ++f) {
      if (f) row.append(separator.view());
      appendCell(row, fields[f], record, context);
    }
    row.append(newline.view());
    if (out.write(row.data(), row.size()) != row.size()) return false;
  }
  return true;
}

bool WordListExporter::exportData(OutputStream& out) {
  if (impl->fields.empty()) return true;
  bool used[ExportField::COUNT] = {};
  prepareFields(used);
  std::unique_ptr<TextDocument> document;
  if (used[ExportField::Sentence] || used[ExportField::ClozeSentence] || used[ExportField::Line] ||
      used[ExportField::ClozeLine]) {
    try {
      document = std::make_unique<TextDocument>(impl->documentFile.c_str());
    } catch (zun::exception const& e) {
      ZUN_LOG_CAUGHT("ERR", "Error opening the document to export its words", e);
      return false;
    }
  }
  if (!impl->header.empty()) {
    std::string line(impl->header.view());
    line.append(impl->newline.view());
    if (out.write(line.data(), line.size()) != line.size()) return false;
  }
  RowContext context;
  for (WordStatistics const* record : impl->rows) {
    if (impl->known) impl->known->add(record->word);
    if (impl->lookedUp) impl->lookedUp->remove(record->word);
    if (document) {
      ExportContext::extract(*document, record->firstOccurrence, record->word, ExportContext::Sentence,
                             context.sentence, context.clozeSentence);
      ExportContext::extract(*document, record->firstOccurrence, record->word, ExportContext::Line,
                             context.line, context.clozeLine);
    }
    if (!impl->emitRows(out, *record, context, used)) return false;
  }
  return true;
}
