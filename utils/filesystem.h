// Where the system's files live, and the file operations that the rest of the system uses. Folders are
// resolved from the environment on every call (tests point them at temporary folders); only the base
// folder is fixed, on first use. No folder is created by naming it.
#pragma once

#include "utils/text.h"

#include <memory>

struct CommonDirectory {
  enum Type : int {      // int-sized, so that any other value is valid and counts as Current
    LocalAppSupport = 0, // the machine-wide data folder: the first absolute one of $XDG_DATA_DIRS, else
                         // /usr/local/share
    Base = 1,            // the current directory as it was on first use
    Current = 2,         // the current directory now
    Resources = 3,       // $QUILLMERE_RESOURCES, else the installed or built resources folder
    Temp = 4,            // $TMPDIR, else /tmp
    Home = 5,            // $HOME
    UserAppSupport = 6,  // $XDG_DATA_HOME when absolute, else ~/.local/share; the user root is its folderName
                         // sub-folder
  };
};

class FileSystem {
public:
  static FileSystem& instance();
  ~FileSystem();

  // The folder of type (any other value counts as Current), then "/" a, then "/" b, each when not null;
  // every backslash becomes "/". Never cut.
  static Text path(CommonDirectory::Type type, const char* a = nullptr, const char* b = nullptr);
  // The folder that an XDG base-directory variable (XDG_DATA_HOME, XDG_RUNTIME_DIR, ...) names: its value
  // when that is an absolute path, else empty. A relative or empty value counts as unset, as the
  // base-directory rules say: it would name another folder from every working directory.
  static Text baseDirectory(const char* variable);
  Text privatePath(CommonDirectory::Type type, const char* a = nullptr, const char* b = nullptr) const;

  // The program's folder name in the user's data folder ("OrvaneSoftware" until start-up says otherwise).
  void setFolderName(const char* name);
  Text folderName() const;
  // The user root joined with sub: path(UserAppSupport, folderName, sub).
  Text userPath(const char* sub = nullptr) const;

  // The last path component; empty for null.
  static Text stripPath(const char* path);
  // The temporary folder, "/", the prefix and a new random id, as one component.
  static Text getTempFilename(const char* prefix);
  // A hidden, unused-looking name beside target (".name.tmp-<process id>-<24 random hex digits>"), so that
  // it lives on the target's filesystem, folder walks skip it, and a later run can tell whether the process
  // that saves through it still runs. Empty when target has no file name.
  static Text siblingTempFilename(const char* target);
  // Deletes the temporary files that saves killed half-way left in folder (not in its sub-folders): those
  // named by siblingTempFilename for a process that no longer runs, and those of the older form
  // ".name.tmp-<UUID>" that no writer holds and that have not changed for an hour. A running save's file,
  // of this process or another, is never touched. Returns how many went.
  static size_t removeLeftoverTempFiles(const char* folder);
  // Forces a written file's data to storage; false when it cannot be opened or synced.
  static bool syncFile(const char* path);

  // These report failure as false and never throw.
  bool privateFileExists(const char* path) const;
  bool privateIsDirectory(const char* path) const;
  // Deletes a file, or a folder with everything in it.
  bool privateDeleteFile(const char* path) const;
  // Deletes the folder of type joined with sub. Refuses an empty, missing or hidden sub, an absolute one,
  // one with a ".." component, and one that resolves to the base itself or outside it.
  bool privateDeletePath(CommonDirectory::Type type, const char* sub) const;
  // Renames replacement over target in one step (both on one filesystem) and makes the rename durable.
  bool privateReplaceFile(const char* target, const char* replacement) const;
  // Into dest, or into the folder dest under the source's name; an existing file is replaced whole.
  bool privateCopyFile(const char* source, const char* dest) const;
  // Moves, replacing an existing dest; across filesystems by copy and delete.
  bool privateMoveFile(const char* source, const char* dest) const;
  // Creates the folder of path with its parents: path itself when it ends with a slash, else its parent.
  void privateEnsurePath(const char* path) const;
  // Read-only is a permission change: on removes every write bit, off gives the owner write access.
  bool privateSetReadOnly(const char* path, bool on) const;

private:
  FileSystem();
  struct Impl;
  std::unique_ptr<Impl> impl;
};
