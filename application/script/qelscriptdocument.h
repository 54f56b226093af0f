// A document that a script opens itself, built as the program builds one: a UTF-16, GB18030 or Big5 file
// is converted to a UTF-8 copy first (on the calling thread), and segmentation follows the given word
// policy. Unlike the program's documents it remembers whether its processing failed, so a script learns
// that a file could not be read instead of seeing empty statistics. The copy goes with the document.
#pragma once

#include "documents/document.h"
#include "utils/exception.h"

#include <functional>
#include <memory>

class EncodingDetector;

namespace qelLua {

class ScriptDocument : public Document {
public:
  ZUN_ERROR(folder_error);     // the path names a folder
  ZUN_ERROR(conversion_error); // the file could not be converted to UTF-8

  // Opens path (processing not started); the file layer's open errors and the two above propagate,
  // leaving nothing behind. engine must outlive the document. A conversion asks stopRequested (when given)
  // as it goes, and one stopped fails as conversion_error.
  ScriptDocument(const char* path, EncodingDetector const& detector, SegmentEngine const& engine,
                 std::function<bool()> const& stopRequested = {});
  // Stops processing before anything of this class goes, then deletes the converted copy.
  ~ScriptDocument() override;

  void processingFinished(float seconds, bool error, unsigned long maxLine, unsigned long bytes,
                          OpenSSL::SHA1 const& sha1) override;
  // True when the last run that finished could not read the whole file. Any thread.
  bool processingFailed() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace qelLua
