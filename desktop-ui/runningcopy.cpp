// Who runs is decided by the lock file, never by the socket: a socket file outlives a crashed copy, and two
// copies that both found none would both listen. Only the lock's holder removes a socket and listens, so at
// most one copy listens; a start that finds the lock held talks to the socket, and while the holder is
// starting (not listening yet) or ending (no longer listening), it tries again until the lock or the socket
// answers.
#include "desktop-ui/runningcopy.h"

#include "desktop-ui/slotguard.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/filelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char MAGIC[] = "QMOPEN1\n";
constexpr int MAGIC_SIZE = sizeof MAGIC - 1;
constexpr int HEADER_SIZE = MAGIC_SIZE + 4;
constexpr int REPLY_WAIT_MS = 30000;  // for the answer of a copy that may still be starting
constexpr int MESSAGE_WAIT_MS = 5000; // for a whole message, once connected
constexpr size_t PATH_LIMIT = 4096;   // bytes of one path, as the system counts them

// A folder that only this user can reach: made so when missing; an existing one must be the user's own
// directory (not a link) that nobody else may enter.
bool privateFolder(std::string const& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info;
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & 077) == 0;
}

bool sameUser(QLocalSocket const& socket) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::geteuid();
}

// The paths of a message's body; nothing (and why in problem) unless every one is absolute and sound.
std::optional<std::vector<std::string>> pathsIn(QByteArray const& body, const char*& problem) {
  std::vector<std::string> paths;
  if (body.isEmpty()) return paths;
  if (body.back() != '\0') return problem = "the last path is not ended", std::nullopt;
  for (qsizetype start = 0; start < body.size();) {
    const qsizetype end = body.indexOf('\0', start);
    const std::string path(body.constData() + start, size_t(end - start));
    if (path.empty() || path[0] != '/') return problem = "a path that is not absolute", std::nullopt;
    if (path.size() >= PATH_LIMIT) return problem = "a path too long", std::nullopt;
    paths.push_back(path);
    start = end + 1;
  }
  return paths;
}

// The messages for files: as many paths in each as fit.
std::vector<std::string> messagesFor(std::vector<std::string> const& files) {
  std::vector<std::string> messages;
  std::vector<std::string> batch;
  size_t size = 0;
  for (std::string const& file : files) {
    if (!batch.empty() && size + file.size() + 1 > size_t(RunningCopy::MAX_MESSAGE)) {
      messages.push_back(RunningCopy::message(batch));
      batch.clear();
      size = 0;
    }
    batch.push_back(file);
    size += file.size() + 1;
  }
  if (messages.empty() || !batch.empty()) messages.push_back(RunningCopy::message(batch));
  return messages;
}

std::string folderNameOf(std::string const& userFolder) {
  return QFileInfo(QFile::decodeName(userFolder.c_str())).fileName().toStdString();
}

std::string channelFolder(std::string const& userFolder) {
  const Text runtime = FileSystem::baseDirectory("XDG_RUNTIME_DIR");
  if (!runtime.empty()) return std::string(runtime.view());
  return QFile::encodeName(QDir::tempPath()).toStdString() + "/" + folderNameOf(userFolder) + "-" +
         std::to_string(::geteuid());
}

std::string channelName(std::string const& userFolder) {
  const QByteArray digest =
      QCryptographicHash::hash(QByteArray::fromStdString(userFolder), QCryptographicHash::Sha1);
  return folderNameOf(userFolder) + "-" + std::to_string(::geteuid()) + "-" +
         digest.toHex().left(16).toStdString();
}

enum class HandOver { Unreachable, Taken, Refused };

// Sends the messages to the running copy, each on its own connection, and waits for its answers; the ones
// taken leave messages. A copy that closes without answering is on its way out (its socket's queue is
// dropped): Unreachable, as when nobody listens.
HandOver handOver(std::string const& socketPath, std::vector<std::string>& messages) {
  for (; !messages.empty(); messages.erase(messages.begin())) {
    std::string const& message = messages.front();
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(socketPath.c_str()));
    if (!socket.waitForConnected(1000)) return HandOver::Unreachable;
    socket.write(message.data(), qint64(message.size()));
    const auto deadline = Clock::now() + std::chrono::milliseconds(REPLY_WAIT_MS);
    while (socket.bytesAvailable() < 1 && Clock::now() < deadline &&
           socket.state() == QLocalSocket::ConnectedState)
      socket.waitForReadyRead(100);
    char reply = 0;
    if (!socket.getChar(&reply))
      return socket.state() == QLocalSocket::ConnectedState ? HandOver::Refused : HandOver::Unreachable;
    if (reply != 'y') return HandOver::Refused;
  }
  return HandOver::Taken;
}

} // namespace

struct RunningCopy::Impl {
  explicit Impl(RunningCopy& owner) : owner(owner) {}

  RunningCopy& owner;
  std::string socketPath; // empty: no channel
  std::string lockPath;
  Listener* listener = nullptr;
  std::unique_ptr<FileLock> lock; // held by the running copy for its whole run
  QLocalServer server;

  void listen();
  void accept();
  void receive(QLocalSocket* socket);
  void end(QLocalSocket* socket, char reply, const char* problem = nullptr);
};

RunningCopy::RunningCopy(std::string const& userFolder)
    : RunningCopy(channelFolder(userFolder), channelName(userFolder)) {}

RunningCopy::RunningCopy(std::string const& folder, std::string const& name)
    : impl(std::make_unique<Impl>(*this)) {
  const std::string socketPath = folder + "/" + name;
  // Qt binds in a temporary folder beside the socket ("qt_temp-XXXXXX/s") and renames it into place.
  const size_t longest = std::max(socketPath.size(), folder.size() + 17);
  if (longest >= sizeof(sockaddr_un::sun_path)) {
    Log::print("WARN", "No channel between running copies: the socket path '%s' is too long\n",
               socketPath.c_str());
  } else if (!privateFolder(folder)) {
    Log::print("WARN", "No channel between running copies: the folder '%s' is not private to the user\n",
               folder.c_str());
  } else {
    impl->socketPath = socketPath;
    impl->lockPath = socketPath + ".lock";
  }
  connect(&impl->server, &QLocalServer::newConnection, this,
          [this] { slotGuard("Error accepting a start's files: ", [this] { impl->accept(); }); });
}

RunningCopy::~RunningCopy() {
  stopListening();
}

RunningCopy::Claim RunningCopy::claim(std::vector<std::string> const& files, std::chrono::milliseconds wait) {
  if (impl->socketPath.empty()) return Claim::First;
  std::vector<std::string> messages = messagesFor(files);
  const auto deadline = Clock::now() + wait;
  for (;;) {
    try {
      impl->lock = std::make_unique<FileLock>(impl->lockPath.c_str());
      impl->listen();
      return Claim::First;
    } catch (FileLock::already_exists const&) {
      // Another copy runs, or is starting or ending.
    } catch (zun::exception const& e) {
      ZUN_LOG_CAUGHT("WARN", "No channel between running copies: ", e);
      return Claim::First;
    }
    const HandOver outcome = handOver(impl->socketPath, messages);
    if (outcome == HandOver::Taken) return Claim::HandedOver;
    if (outcome == HandOver::Refused || Clock::now() >= deadline) {
      Log::print("ERR", "The running copy of the program did not take the files\n");
      std::fprintf(stderr, "The running copy of the program did not take the files.\n");
      return Claim::Failed;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void RunningCopy::setListener(Listener* listener) {
  impl->listener = listener;
}

void RunningCopy::stopListening() {
  impl->server.close();
}

std::string RunningCopy::socketPath() const {
  return impl->socketPath;
}

std::string RunningCopy::message(std::vector<std::string> const& paths) {
  std::string body;
  for (std::string const& path : paths)
    body.append(path).push_back('\0');
  char length[4];
  qToBigEndian(quint32(body.size()), length);
  return std::string(MAGIC, MAGIC_SIZE) + std::string(length, 4) + body;
}

// Only the lock's holder gets here: a socket file left by a crashed copy is no one's.
void RunningCopy::Impl::listen() {
  QLocalServer::removeServer(QFile::decodeName(socketPath.c_str()));
  server.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server.listen(QFile::decodeName(socketPath.c_str())))
    Log::print("WARN", "No channel between running copies: cannot listen on '%s': %s\n", socketPath.c_str(),
               server.errorString().toUtf8().constData());
}

void RunningCopy::Impl::accept() {
  while (QLocalSocket* socket = server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!sameUser(*socket)) {
      Log::print("WARN", "Refused a connection from another user to the running copy\n");
      socket->abort();
      continue;
    }
    socket->setReadBufferSize(HEADER_SIZE + MAX_MESSAGE + 1);
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket,
            [this, socket] { end(socket, 'n', "the message did not come whole"); });
    timer->start(MESSAGE_WAIT_MS);
    connect(socket, &QLocalSocket::readyRead, &owner,
            [this, socket] { slotGuard("Error reading a start's files: ", [&] { receive(socket); }); });
    receive(socket);
  }
}

void RunningCopy::Impl::receive(QLocalSocket* socket) {
  const qint64 available = socket->bytesAvailable();
  if (available < HEADER_SIZE) return;
  const QByteArray header = socket->peek(HEADER_SIZE);
  if (!header.startsWith(QByteArray(MAGIC, MAGIC_SIZE))) return end(socket, 'n', "not a list of files");
  const quint32 length = qFromBigEndian<quint32>(header.constData() + MAGIC_SIZE);
  if (length > quint32(MAX_MESSAGE)) return end(socket, 'n', "too long");
  if (available < HEADER_SIZE + qint64(length)) return;
  if (available > HEADER_SIZE + qint64(length)) return end(socket, 'n', "more than one list of files");
  const QByteArray body = socket->readAll().mid(HEADER_SIZE);
  const char* problem = nullptr;
  const auto paths = pathsIn(body, problem);
  if (!paths) return end(socket, 'n', problem);
  end(socket, 'y');
  if (listener) listener->filesHanded(*paths);
}

// Answers and closes; nothing more is read from socket.
void RunningCopy::Impl::end(QLocalSocket* socket, char reply, const char* problem) {
  if (problem) Log::print("WARN", "Refused a message to the running copy: %s\n", problem);
  QObject::disconnect(socket, &QLocalSocket::readyRead, &owner, nullptr);
  if (auto* timer = socket->findChild<QTimer*>()) timer->stop();
  socket->putChar(reply);
  socket->disconnectFromServer();
}
