#include "script/qelscriptdocument.h"

#include "documents/documentprocessor.h"
#include "encoding/encodingdetector.h"
#include "encoding/fileconverter.h"
#include "text/oldwordlistmanager.h"
#include "utils/filedeleter.h"
#include "utils/filesystem.h"

#include <atomic>

namespace {

// A folder opens like a file but cannot be read: refuse it before anything is built.
const char* fileOnly(const char* path) {
  if (path && FileSystem::instance().privateIsDirectory(path))
    ZUN_THROW(qelLua::ScriptDocument::folder_error);
  return path;
}

} // namespace

namespace qelLua {

struct ScriptDocument::Impl {
  FileDeleter copy{nullptr};       // the UTF-8 copy of a converted file
  std::atomic<bool> failed{false}; // written by the processing thread
};

ScriptDocument::ScriptDocument(const char* path, EncodingDetector const& detector,
                               SegmentEngine const& engine, std::function<bool()> const& stopRequested)
    : Document(fileOnly(path), FileSystem::stripPath(path),
               OldWordListManager::instance().privateMasterList(),
               OldWordListManager::instance().privateProficiencyLevel(), engine),
      impl(std::make_unique<Impl>()) {
  const EncodingDetector::Encoding encoding = detector.detect(path);
  if (encoding < EncodingDetector::Utf16LE || encoding > EncodingDetector::Big5) return;
  setConverting(true);
  FileConverter::Info info(0, encoding, nullptr, Text(path));
  if (FileConverter::runWithInfo(info, stopRequested) != FileConverter::Converted || info.converted.empty())
    ZUN_THROW(ScriptDocument::conversion_error);
  impl->copy.reset(info.converted.c_str());
  setActualFilename(info.converted.c_str(), OldWordListManager::instance().privateMasterList());
  setConverting(false);
}

ScriptDocument::~ScriptDocument() {
  // A run on a worker would otherwise report to this part of the object after it is gone.
  if (processor()) processor()->cancelProcessing();
}

void ScriptDocument::processingFinished(float seconds, bool error, unsigned long maxLine, unsigned long bytes,
                                        OpenSSL::SHA1 const& sha1) {
  impl->failed = error;
  Document::processingFinished(seconds, error, maxLine, bytes, sha1);
}

bool ScriptDocument::processingFailed() const {
  return impl->failed;
}

} // namespace qelLua
