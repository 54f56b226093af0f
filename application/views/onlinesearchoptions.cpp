// A copy that exists but cannot be read (another program holds it, or it is no file) is told apart from an
// empty one, which the property-file reader also refuses: an empty copy is simply no options.
#include "views/onlinesearchoptions.h"

#include "utils/atomicfilesaver.h"
#include "utils/exception.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/propertyfile.h"

#include <algorithm>
#include <filesystem>

namespace {

enum class ReadResult { Read, Empty, Unreadable };

ReadResult readOptions(const char* path, std::vector<OnlineSearchOption>& options) {
  PropertyFile file;
  try {
    file.readFromFile(path);
  } catch (zun::exception const& e) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0 && !ec)
      return ReadResult::Empty;
    ZUN_LOG_CAUGHT("WARN", "Error reading online search options: ", e);
    return ReadResult::Unreadable;
  }
  file >> options;
  return ReadResult::Read;
}

void addShippedFolders(FileFinder& finder) {
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
}

} // namespace

struct OnlineSearchOptions::Impl {
  std::vector<OnlineSearchOption> options; // in menu order
  bool userCopyUnreadable = false;         // at the last load: saving would lose its options
};

OnlineSearchOptions::OnlineSearchOptions() : impl(std::make_unique<Impl>()) {}
OnlineSearchOptions::~OnlineSearchOptions() = default;

std::vector<OnlineSearchOption> const& OnlineSearchOptions::options() const {
  return impl->options;
}

void OnlineSearchOptions::load() {
  impl->options.clear();
  impl->userCopyUnreadable = false;
  const Text userCopy = FileSystem::instance().userPath(FILE_NAME);
  FileFinder finder;
  addShippedFolders(finder);
  finder.add(FileSystem::instance().userPath().c_str(), nullptr);
  for (const char* path = finder.find(FILE_NAME); path; path = finder.next())
    if (readOptions(path, impl->options) == ReadResult::Unreadable && userCopy == path)
      impl->userCopyUnreadable = true;
}

bool OnlineSearchOptions::save() const {
  const Text target = FileSystem::instance().userPath(FILE_NAME);
  std::vector<OnlineSearchOption> shipped;
  FileFinder finder;
  addShippedFolders(finder);
  const char* shippedCopy = finder.find(FILE_NAME);
  const bool refused = impl->userCopyUnreadable ||
                       (shippedCopy && readOptions(shippedCopy, shipped) == ReadResult::Unreadable);
  bool saved = false;
  if (!refused) {
    std::vector<OnlineSearchOption> own;
    std::copy_if(impl->options.begin(), impl->options.end(), std::back_inserter(own),
                 [&](OnlineSearchOption const& o) {
                   return std::find(shipped.begin(), shipped.end(), o) == shipped.end();
                 });
    FileSystem::instance().privateEnsurePath(target.c_str());
    saved = AtomicFileSaver::save(target.c_str(), [&](OutputStream& out) { out << own; });
  }
  if (!saved) Log::print("ERR", "Error saving online search options\n");
  return saved;
}
