// One running copy of the program per user and user folder. The first start claims a lock file and listens
// on a local socket beside it, in a folder private to the user; a later start (a file manager running
// "quillmere %F") hands the absolute paths of its files over that socket and ends, and the running copy opens
// them. The socket carries nothing but such a list of paths, and only from the same user; anything else is
// refused. A crashed copy leaves its socket and lock file behind; the lock is free again, and the next first
// start removes the socket. GUI thread only, after the QApplication.
#pragma once

#include <QObject>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class RunningCopy : public QObject {
public:
  // Hears the files that a later start handed over (empty: it was started without files).
  class Listener {
  public:
    virtual ~Listener() = default;
    virtual void filesHanded(std::vector<std::string> const& paths) = 0;
  };

  enum class Claim {
    First,      // this is the running copy (listening when the channel could be made)
    HandedOver, // the running copy took the files: this start should end with status 0
    Failed      // a running copy holds the lock but did not take them (told on standard error, logged)
  };

  static constexpr int MAX_MESSAGE = 1 << 20; // bytes of paths in one message
  static constexpr std::chrono::milliseconds CLAIM_WAIT{10000};

  // The program's channel for its user folder: in $XDG_RUNTIME_DIR when that is absolute (a relative one is
  // ignored: it would name another folder from each working directory), else in "<folder name>-<uid>" under
  // the temporary folder; named by the folder name, the user id and a digest of the user folder's path (so
  // that copies on another user folder, as tests run them, never meet).
  explicit RunningCopy(std::string const& userFolder);
  // The channel in folder (made private when missing) under name.
  RunningCopy(std::string const& folder, std::string const& name);
  // Stops listening, then releases the lock.
  ~RunningCopy() override;
  RunningCopy(RunningCopy const&) = delete;
  RunningCopy& operator=(RunningCopy const&) = delete;

  // Becomes the running copy, or hands files (absolute paths) to the one that runs, waiting up to wait for
  // one that is ending. A folder that is not private to the user, or a name too long for a socket, gives
  // First without a channel (logged): the program then runs as a copy of its own.
  Claim claim(std::vector<std::string> const& files, std::chrono::milliseconds wait = CLAIM_WAIT);
  // Not owned; null drops what arrives.
  void setListener(Listener* listener);
  // From now on later starts wait for this copy to end, then run on their own.
  void stopListening();

  // The socket's path (empty without a channel).
  std::string socketPath() const;
  // One message of the channel: "QMOPEN1\n", the body's length (4 bytes, big-endian), then each path ended by
  // a zero byte.
  static std::string message(std::vector<std::string> const& paths);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
