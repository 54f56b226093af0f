// The online-search options of a run and their files: the shipped "data/online-search" (resources, then the
// base folder) and the user's own copy, which holds only the options the shipped file lacks. Main thread
// only.
#pragma once

#include "views/onlinesearchoption.h"

#include <memory>
#include <vector>

class OnlineSearchOptions {
public:
  static constexpr const char* FILE_NAME = "data/online-search";

  OnlineSearchOptions();
  ~OnlineSearchOptions();
  OnlineSearchOptions(OnlineSearchOptions const&) = delete;
  OnlineSearchOptions& operator=(OnlineSearchOptions const&) = delete;

  // Empties the list, then merges every copy found in the resources, the base folder and the user's folder,
  // in that order. A missing or empty copy adds nothing; one that cannot be read is logged under "WARN" and
  // skipped, and the others are still read.
  void load();
  // Writes the options that the first shipped copy does not hold to the user's copy, through a hidden file
  // that replaces it only once complete. Nothing is written, and false returned (logged under "ERR"), when
  // the user's copy existed but could not be read at load (its options would be lost), when the shipped
  // copy cannot be read now, or when writing fails; the old file then stays as it was.
  bool save() const;

  std::vector<OnlineSearchOption> const& options() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
