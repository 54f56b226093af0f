// The word-list importer over the input as a user's file (repeated, so that it spans the scan's slices):
// the words are, in file order, each line's text before its first space or tab, empty ones left out, after
// a byte-order mark at the start; a scan on a worker finds the same words as one inline.
#include "fuzz.h"

#include "wordlists/wordlistimporter.h"

#include <atomic>

namespace {

class Listener : public WordListImporter::Listener {
public:
  void complete() override { ++completed; }
  void progress(float) override {}
  std::atomic<int> completed{0}; // set by the worker
};

std::vector<std::string> reference(std::string_view text) {
  std::vector<std::string> words;
  for (std::string_view line : fuzz::lines(fuzz::withoutMark(text))) {
    const std::string_view word = line.substr(0, line.find_first_of(" \t"));
    if (!word.empty()) words.emplace_back(word);
  }
  return words;
}

std::vector<std::string> imported(std::string const& path, bool async) {
  Listener listener;
  WordListImporter importer(listener);
  importer.import(path.c_str(), async);
  while (!importer.complete() || listener.completed == 0)
    ; // an inline run is complete on return; a worker ends by itself
  std::vector<std::string> words;
  for (Span const& w : importer.words())
    words.emplace_back(w.view());
  FUZZ_CHECK("importer: a run ends once, at 100%",
             listener.completed == 1 && importer.percentComplete() == 100.0f,
             std::to_string(listener.completed.load()) + " completions");
  return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t repeat = in.ConsumeIntegralInRange(1, 12);
  const bool async = in.ConsumeIntegralInRange(0, 15) == 0;
  const std::string piece = in.ConsumeRemainingBytesAsString();
  std::string text;
  for (size_t i = 0; i < repeat; ++i)
    text += piece;
  static const std::string path = fuzz::folder() + "/import.txt";
  fuzz::writeFile(path, text);
  const std::vector<std::string> want = reference(text);
  FUZZ_CHECK("importer: words are the lines' first fields", imported(path, false) == want, fuzz::show(text));
  if (async)
    FUZZ_CHECK("importer: a worker finds the same words", imported(path, true) == want, fuzz::show(text));
  return 0;
}
