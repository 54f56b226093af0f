// Every copy is read through SaveGuard, so that an empty copy is simply no options and one that exists but
// cannot be read (another program holds it, or it is no file) is logged; the user's copy is then not saved
// over.
#include "views/onlinesearchoptions.h"

#include "utils/atomicfilesaver.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/propertyfile.h"
#include "utils/saveguard.h"

#include <algorithm>

namespace {

const char* const WHAT = "the online search options";

std::function<void()> reader(const char* path, std::vector<OnlineSearchOption>& options) {
  return [path, &options] { PropertyFile(path) >> options; };
}

void addShippedFolders(FileFinder& finder) {
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
}

} // namespace

struct OnlineSearchOptions::Impl {
  std::vector<OnlineSearchOption> options; // in menu order
  SaveGuard userCopy;                      // unreadable at the last load: saving would lose its options
};

OnlineSearchOptions::OnlineSearchOptions() : impl(std::make_unique<Impl>()) {}
OnlineSearchOptions::~OnlineSearchOptions() = default;

std::vector<OnlineSearchOption> const& OnlineSearchOptions::options() const {
  return impl->options;
}

void OnlineSearchOptions::load() {
  impl->options.clear();
  const Text userCopy = FileSystem::instance().userPath(FILE_NAME);
  FileFinder finder;
  addShippedFolders(finder);
  for (const char* path = finder.find(FILE_NAME); path; path = finder.next())
    if (userCopy != path) SaveGuard::read(path, WHAT, reader(path, impl->options));
  impl->userCopy.load(userCopy.c_str(), WHAT, reader(userCopy.c_str(), impl->options));
}

bool OnlineSearchOptions::save() const {
  const Text target = FileSystem::instance().userPath(FILE_NAME);
  std::vector<OnlineSearchOption> shipped;
  FileFinder finder;
  addShippedFolders(finder);
  const char* shippedCopy = finder.find(FILE_NAME);
  const bool refused = !impl->userCopy.maySave() ||
                       (shippedCopy && SaveGuard::read(shippedCopy, WHAT, reader(shippedCopy, shipped)) ==
                                           SaveGuard::Unreadable);
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
