// Each choice starts a new generation. The importer calls its listener on the worker thread, and a stopped
// run still reports its end (during the stop, before the next generation begins), so every report carries
// the generation it belongs to and only the latest one's count. Reports travel through MessageCenter with a
// weak liveness token: one that arrives after the adapter is gone is dropped.
#include "views/importadapter.h"

#include "encoding/encodingdetector.h"
#include "encoding/fileconverter.h"
#include "programinfo/programinfo.h"
#include "text/proficiencylevelfilebuilder.h"
#include "utils/filedeleter.h"
#include "utils/filesystem.h"
#include "utils/messagecenter.h"
#include "wordlists/wordlistimporter.h"

#include <atomic>
#include <sys/stat.h>

namespace {

bool isFile(const char* path) {
  struct stat st {};
  return path && *path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

struct ImportAdapter::Impl : FileConverter::Listener, WordListImporter::Listener {
  struct Token {
    Impl* self;
  };
  struct Report {
    std::weak_ptr<Token> token;
    uint64_t generation;
    bool ended; // the run ended (else progress)
  };

  explicit Impl(ImportAdapter::Listener& l)
      : listener(l), token(std::make_shared<Token>(Token{this})), weak(token) {}
  ~Impl() override;

  // Worker thread: hands the report to the main thread.
  void complete() override { post(true); }
  void progress(float) override { post(false); }
  void post(bool ended);
  static void deliver(void* data);
  // Main thread.
  void finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> info) override;
  void newChoice();
  void startImport(const char* path);

  ImportAdapter::Listener& listener;
  std::shared_ptr<Token> token;           // alive while the adapter is; reports hold it weakly
  const std::weak_ptr<Token> weak;        // copied by workers, never changed
  std::atomic<uint64_t> generation{0};    // of the latest choice
  bool ended = true;                      // the latest choice's import has ended
  FileConverter::Info* pending = nullptr; // the conversion of the latest choice, owned by its worker
  EncodingDetector detector;
  FileDeleter convertedCopy{nullptr};                                    // the UTF-8 copy being read
  FileDeleter levelFiles[2]{FileDeleter(nullptr), FileDeleter(nullptr)}; // HSK, TOCFL
  WordListImporter importer{*this}; // last, so that it stops before the rest goes
};

ImportAdapter::Impl::~Impl() {
  token.reset();
  if (pending) pending->setCancelled(true);
  importer.reset();
}

void ImportAdapter::Impl::post(bool runEnded) {
  MessageCenter::instance().addMessage(new Report{weak, generation.load(), runEnded}, &Impl::deliver);
}

void ImportAdapter::Impl::deliver(void* data) {
  const std::unique_ptr<Report> report(static_cast<Report*>(data));
  const std::shared_ptr<Token> alive = report->token.lock();
  if (!alive) return;
  Impl& self = *alive->self;
  if (report->generation != self.generation.load()) return;
  if (report->ended) self.ended = true;
  self.listener.previewChanged();
}

void ImportAdapter::Impl::finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> info) {
  if (!info || info.get() != pending) return;
  pending = nullptr;
  if (status == FileConverter::Converted) {
    convertedCopy.reset(info->converted.c_str());
    startImport(info->converted.c_str());
    return;
  }
  ended = true; // nothing to read
  listener.previewChanged();
}

void ImportAdapter::Impl::newChoice() {
  if (pending) pending->setCancelled(true);
  pending = nullptr;
  // The stopped run reports its end during the reset, under the old generation.
  importer.reset();
  ++generation;
  ended = false;
}

void ImportAdapter::Impl::startImport(const char* path) {
  importer.reset();
  ++generation;
  ended = false;
  importer.import(path, true);
}

ImportAdapter::ImportAdapter(Listener& listener) : impl(std::make_unique<Impl>(listener)) {}

ImportAdapter::~ImportAdapter() = default;

void ImportAdapter::loadFromFile(const char* path) {
  impl->newChoice();
  if (!isFile(path)) {
    impl->ended = true;
    impl->listener.previewChanged();
    return;
  }
  const EncodingDetector::Encoding encoding = impl->detector.detect(path);
  if (encoding >= EncodingDetector::Utf16LE && encoding <= EncodingDetector::Big5) {
    auto info = std::make_unique<FileConverter::Info>(0, encoding, impl.get(), Text(path));
    impl->pending = info.get();
    FileConverter::launch(std::move(info));
    impl->listener.previewChanged();
    return;
  }
  impl->startImport(path);
  impl->listener.previewChanged();
}

void ImportAdapter::useLevel(LevelType type, int level) {
  impl->newChoice();
  const Text path = FileSystem::getTempFilename(ProgramInfo::instance().shortName());
  impl->levelFiles[type == Tocfl].reset(path.c_str());
  const auto kind = type == Tocfl ? ProficiencyLevelFileBuilder::TOCFL : ProficiencyLevelFileBuilder::HSK;
  if (level >= 1) ProficiencyLevelFileBuilder::create(kind, path.c_str(), 1, size_t(level));
  impl->startImport(path.c_str());
  impl->listener.previewChanged();
}

std::vector<Span> const& ImportAdapter::words() const {
  return impl->importer.words();
}

size_t ImportAdapter::totalWords() const {
  return words().size();
}

Span ImportAdapter::wordAt(size_t index) const {
  std::vector<Span> const& all = words();
  return index < all.size() ? all[index] : Span();
}

bool ImportAdapter::complete() const {
  return !impl->pending && impl->ended;
}

std::vector<std::pair<std::string, int>> const& ImportAdapter::levelTitles(LevelType type) {
  static const std::vector<std::pair<std::string, int>> hsk = {{"HSK Level 1", 1}, {"HSK Level 2", 2},
                                                               {"HSK Level 3", 3}, {"HSK Level 4", 4},
                                                               {"HSK Level 5", 5}, {"HSK Level 6", 6}};
  static const std::vector<std::pair<std::string, int>> tocfl = {
      {"L1 - 入門級", 1}, {"L2 - 基礎級", 2}, {"L3 - 進階級", 3}, {"L4 - 高階級", 4}, {"L5 - 流利級", 5}};
  return type == Tocfl ? tocfl : hsk;
}
