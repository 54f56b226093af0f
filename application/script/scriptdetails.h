// The description block at the head of a script file, for the run-script dialog: a line starting "@qel "
// within the first 2,048 bytes, continued by the lines after it that start with a space or TAB.
#pragma once

#include <memory>

class ScriptDetails {
public:
  // Null is taken as "".
  explicit ScriptDetails(const char* path);
  ~ScriptDetails();
  ScriptDetails(ScriptDetails const&) = delete;
  ScriptDetails& operator=(ScriptDetails const&) = delete;

  // The file exists and is not a folder.
  bool valid() const;
  // Read again at each call: the description, "" when there is none or the file cannot be read. Valid until
  // the next call.
  const char* details() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
