// Visits the entries of a folder and, when the visitor asks for it, of its sub-folders.
#pragma once

class DirectoryWalker {
public:
  // No virtual destructor: visitors are never deleted through this type.
  class Visitor {
  public:
    // Each entry that is not a folder, by its full path; reserved points at a zeroed word.
    virtual bool file(const char* path, void* reserved) = 0;
    // Each sub-folder, by its full path.
    virtual bool directory(const char* path, void* reserved) = 0;
    // Asked once per walk: whether to visit the entries inside sub-folders.
    virtual bool recurse() = 0;
  };

  explicit DirectoryWalker(Visitor& visitor) : m_visitor(visitor) {}

  // Walks folder in the platform's order. A link to a folder is reported as a folder but never followed
  // into. A folder that cannot be read ends the walk without a callback.
  void process(const char* folder, const char* reserved);

private:
  Visitor& m_visitor;
};
