// Saves a file so that it is never left half-written: the data goes to a hidden temporary file beside the
// target, which is made durable and renamed over the target in one step, also when the target did not exist
// before. Use:
//   AtomicFileSaver saver(prefix, target);
//   FileWriter out(saver.path(), FileWriter::Exclusive);
//   ... write ...
//   if (out.close()) saver.commit();
// Only commit() replaces the target: a saver left any other way (abort, an exception, a forgotten commit)
// deletes its temporary file and leaves the target byte for byte as it was.
#pragma once

#include <functional>
#include <memory>

class OutputStream;

class AtomicFileSaver {
public:
  // prefix is kept for callers that name their files; the temporary file is always
  // FileSystem::siblingTempFilename(target), in the target's folder.
  AtomicFileSaver(const char* prefix, const char* target);
  AtomicFileSaver(AtomicFileSaver const&) = delete;
  AtomicFileSaver& operator=(AtomicFileSaver const&) = delete;
  // Deletes the temporary file; never commits. Never throws.
  ~AtomicFileSaver();

  // The file to write to.
  const char* path() const;
  const char* target() const;
  // Leaves the target as it is.
  void abort();
  // Makes the temporary file durable and renames it over the target; logs under "ERR" and returns false
  // when that fails, or when the target is there but is no regular file (nor a link), which stays. The saver
  // does nothing more afterwards (also when aborted before).
  bool commit();

  // The whole round in one call: write() fills the temporary file, which then replaces target. Returns
  // false (logged under "ERR", target untouched) when the file cannot be opened, a write, the sync or the
  // rename fails, or write() throws one of our errors. Any other exception of write() propagates, and the
  // target is untouched then too.
  static bool save(const char* target, std::function<void(OutputStream&)> const& write);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
