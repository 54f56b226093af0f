// The program's shell: start-up as the program runs it, in a child process (the probe, answering its boxes
// Ok): with good program information the command line's files open while the splash shows and the window
// shows with them, listed in the desktop's recent documents; every failure ends with an "ERR" line, a box
// titled with the program's name that names the problem, and a non-zero status, and leaves the user's files
// as they were. SIGTERM, SIGINT and SIGHUP end it with the reader's marks saved. One copy runs per user
// folder (a relative runtime folder is ignored): later starts hand it their files, and its socket takes
// nothing else. In this process: shutdown while the version server stalls ends within libcurl's bound, and
// the colours follow the desktop turning dark.
#include "curlpp/curlpp.h"
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/runningcopy.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/statisticswidget.h"
#include "programinfosigner.h"
#include "support/httpserver.h"
#include "support/logcapture.h"
#include "support/qtspin.h"
#include "support/tempdir.h"
#include "text/wordhash.h"
#include "utils/filesystem.h"
#include "utils/platform/posix/namedfilelock.h"
#include "views/messagebox.h"
#include "wordlists/wordlistmanager.h"
#include "wordlists/wordliststate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QPalette>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The probe in a child process with args, QUILLMERE_RESOURCES=resources and QM_PROBE=mode, its standard
// output read line by line as it comes; killed when still running at the end.
class Probe {
public:
  explicit Probe(Strings const& args, fs::path const& resources = qmtest::resourcesDir(),
                 std::string const& mode = "") {
    Strings env{"QUILLMERE_RESOURCES=" + resources.string(), "QM_PROBE=" + mode};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("QUILLMERE_RESOURCES=", 0) != 0 && std::string(*e).rfind("QM_PROBE=", 0) != 0)
        env.emplace_back(*e);
    Strings argv{QM_SHELL_PROBE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv, cenv;
    for (auto& a : argv)
      cargv.push_back(a.data());
    for (auto& e : env)
      cenv.push_back(e.data());
    cargv.push_back(nullptr);
    cenv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    if (posix_spawn(&pid, QM_SHELL_PROBE, &actions, nullptr, cargv.data(), cenv.data()) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    out = pipeEnds[0];
  }
  ~Probe() { finish(0ms); }

  // The index of the first line that starts with prefix, reading on until one does, the output ends or
  // within passes (-1 then).
  long waitFor(std::string const& prefix, std::chrono::milliseconds within = 1min) {
    const auto deadline = Clock::now() + within;
    for (;;) {
      for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return long(i);
      if (!readSome(deadline)) return -1;
    }
  }
  // Reads to the end, killing the probe when within passes; its exit status, -1 when killed.
  int finish(std::chrono::milliseconds within = 1min) {
    const auto deadline = Clock::now() + within;
    while (readSome(deadline)) {
    }
    if (pid > 0) {
      if (Clock::now() >= deadline) kill(pid, SIGKILL);
      int wstatus = 0;
      if (waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) status = WEXITSTATUS(wstatus);
      pid = 0;
    }
    if (out >= 0) close(out);
    out = -1;
    return status;
  }
  void signal(int number) const { kill(pid, number); }

  Strings lines;

private:
  // False at the end of the output or at the deadline.
  bool readSome(Clock::time_point deadline) {
    while (out >= 0 && Clock::now() < deadline) {
      pollfd p{out, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(out, buffer, sizeof buffer);
      if (n <= 0) return false;
      partial.append(buffer, size_t(n));
      for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1))
        lines.push_back(partial.substr(0, end));
      return true;
    }
    return false;
  }

  pid_t pid = 0;
  int out = -1;
  std::string partial;
  int status = -1;
};

// Every regular file below folder with its content.
std::map<std::string, std::string> snapshot(fs::path const& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file())
      files[it->path().lexically_relative(folder).string()] = qmtest::readFile(it->path());
  return files;
}

// The index of the first line that starts with prefix; -1 when none does.
long lineOf(Strings const& lines, std::string const& prefix) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return long(i);
  return -1;
}

// A copy of the build's resources made of links to its files, for a start-up to break.
fs::path linkedResources(fs::path const& to) {
  for (auto const& entry : fs::recursive_directory_iterator(qmtest::resourcesDir())) {
    const fs::path target = to / entry.path().lexically_relative(qmtest::resourcesDir());
    if (entry.is_directory())
      fs::create_directories(target);
    else
      fs::create_symlink(entry.path(), target);
  }
  return to;
}

void put(fs::path const& file, std::string const& content) {
  fs::create_directories(file.parent_path());
  qmtest::writeFile(file, content);
}

fs::path userFolder() {
  return fs::path(FileSystem::path(CommonDirectory::UserAppSupport, "OrvaneSoftware").c_str());
}

// Whether the desktop's recent documents list file.
bool recentlyUsed(fs::path const& file) {
  const fs::path store = FileSystem::path(CommonDirectory::UserAppSupport, "recently-used.xbel").c_str();
  const QByteArray uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded();
  return fs::exists(store) && qmtest::readFile(store).find(uri.toStdString()) != std::string::npos;
}

} // namespace

TEST(ShellTest, StartsOnlyWhenEverythingItNeedsIsThereAndOpensTheCommandLinesFilesDuringTheSplash) {
  qmtest::TempDir temp;
  fs::create_directories(userFolder() / "wordlists");
  put(userFolder() / "data/config", "[general]\nshowWelcome = false\n");
  const fs::path document = temp / "中国.txt";
  qmtest::writeFile(document, "中国人民很好。\n");

  const fs::path good = qmtest::resourcesDir();
  const fs::path broken = linkedResources(temp / "broken");
  fs::remove(broken / "data/program.properties");
  const fs::path tampered = linkedResources(temp / "tampered");
  std::string info = qmtest::readFile(good / "data/program.properties");
  info.replace(info.find("Quillmere"), 9, "Quillmore");
  fs::remove(tampered / "data/program.properties");
  qmtest::writeFile(tampered / "data/program.properties", info);
  const fs::path noDictionary = linkedResources(temp / "no-dictionary");
  fs::remove(noDictionary / "data/cedict_ts.u8");
  const fs::path unreadableList = linkedResources(temp / "unreadable-list");
  fs::remove(unreadableList / "data/words.u8");
  fs::create_directories(unreadableList / "data/words.u8"); // a folder: opening works, reading fails

  const std::string pipe = (userFolder() / "wordlists/lists/mine").string();
  const struct {
    const char* name;
    fs::path resources;
    bool holdList;
    std::string box; // empty: starts
    bool pipeAmongLists = false;
  } cases[] = {
      {"good", good, false, ""},
      {"missing program information", broken, false, "The program information file is missing."},
      {"tampered program information", tampered, false, "Invalid program info."},
      {"missing dictionary", noDictionary, false, "The dictionary file 'data/cedict_ts.u8' is missing."},
      {"unreadable master list", unreadableList, false, "The word list 'data/words.u8' could not be read."},
      {"list held by another copy", good, true,
       "The word lists are in use by another running copy of the program."},
      {"a pipe among the lists", good, false,
       "'" + pipe + "' is not a regular file, so it cannot hold a word list.  Move it out of the word-list " +
           "folder and start again.",
       true},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<NamedFileLock> held;
    if (c.holdList) held = WordListState::lock(Text((userFolder() / "wordlists/").c_str()), "known");
    fs::create_directories(fs::path(pipe).parent_path());
    if (c.pipeAmongLists) {
      ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    }
    const auto before = snapshot(userFolder());
    Probe run({document.string(), (temp / "none.txt").string()}, c.resources);
    const int status = run.finish();
    if (c.box.empty()) {
      EXPECT_EQ(status, 0);
      const long shown = lineOf(run.lines, "shown");
      ASSERT_GE(shown, 0);
      EXPECT_EQ(run.lines[size_t(shown)], "shown 中国.txt")
          << "opened (and processing) while the splash shows";
      EXPECT_GT(lineOf(run.lines, "box Error opening file|The following files could not be opened:"), shown)
          << "the file that failed named once the window shows";
      EXPECT_EQ(lineOf(run.lines, "box Quillmere"), -1);
      EXPECT_TRUE(recentlyUsed(document));
      EXPECT_FALSE(recentlyUsed(temp / "none.txt")) << "a file that is not there is not advertised";
      continue;
    }
    EXPECT_NE(status, 0);
    EXPECT_EQ(lineOf(run.lines, "shown"), -1);
    const long box = lineOf(run.lines, "box Quillmere|" + c.box + "  This program will now exit.");
    ASSERT_GE(box, 1);
    EXPECT_EQ(run.lines[size_t(box - 1)], "titled Quillmere") << "the display name, before Qt knows it";
    const long logged = lineOf(run.lines, "log Start-up failed");
    EXPECT_GE(logged, 0);
    EXPECT_LT(logged, box);
    EXPECT_EQ(snapshot(userFolder()), before) << "no user file touched";
    fs::remove(pipe);
  }
}

TEST(ShellTest, SignalsEndTheProgramAsQuitDoesWithTheReadersMarksSaved) {
  qmtest::TempDir temp;
  put(userFolder() / "data/config", "[general]\nshowWelcome = false\n");
  const fs::path document = temp / "中国.txt";
  qmtest::writeFile(document, "中国人民很好。\n");
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    fs::remove_all(userFolder() / "wordlists");
    Probe probe({document.string()}, qmtest::resourcesDir(), "mark");
    ASSERT_GE(probe.waitFor("marked 1"), 0);
    probe.signal(number);
    EXPECT_EQ(probe.finish(), 0);
    EXPECT_GE(lineOf(probe.lines, "log Ending on signal"), 0);
    const WordListManager lists(nullptr);
    EXPECT_EQ(lists.current().totalWords(), 1u) << "the mark saved";
  }
}

TEST(ShellTest, OneCopyRunsAndLaterStartsHandItTheirFiles) {
  qmtest::TempDir temp;
  put(userFolder() / "data/config", "[general]\nshowWelcome = false\n");
  const std::string a = (temp / "甲.txt").string(), b = (temp / "乙.txt").string();
  qmtest::writeFile(a, "中国人民很好。\n");
  qmtest::writeFile(b, "学生学习。\n");

  // Started at the same moment: one runs and opens both files, the other hands its file over and ends.
  Probe first({a}, qmtest::resourcesDir(), "stay");
  Probe second({b}, qmtest::resourcesDir(), "stay");
  const bool firstRuns = first.waitFor("shown") >= 0;
  Probe& running = firstRuns ? first : second;
  Probe& handing = firstRuns ? second : first;
  EXPECT_EQ(handing.finish(), 0);
  EXPECT_EQ(lineOf(handing.lines, "shown"), -1);
  EXPECT_GE(running.waitFor(firstRuns ? "shown 甲.txt" : "shown 乙.txt"), 0);
  EXPECT_GE(running.waitFor(firstRuns ? "opened 乙.txt" : "opened 甲.txt"), 0) << "the handed file";
  EXPECT_TRUE(recentlyUsed(a) && recentlyUsed(b));

  // A crash leaves the socket and the lock file behind; the next start runs and listens again.
  running.signal(SIGKILL);
  running.finish();
  Probe after({a}, qmtest::resourcesDir(), "stay");
  ASSERT_GE(after.waitFor("shown 甲.txt"), 0);
  Probe raising({}); // without files a start only raises the running window
  EXPECT_EQ(raising.finish(2s), 0);
  EXPECT_EQ(lineOf(raising.lines, "shown"), -1);
  Probe later({b});
  EXPECT_EQ(later.finish(2s), 0);
  EXPECT_GE(after.waitFor("opened 乙.txt"), 0);
}

TEST(ShellTest, TheRunningCopysSocketIsPrivateAndTakesOnlyListsOfAbsolutePaths) {
  qmtest::TempDir temp;
  const fs::path folder = temp / "channel";
  RunningCopy copy(folder.string(), "copy");
  ASSERT_EQ(copy.claim({}), RunningCopy::Claim::First);
  struct Listener : RunningCopy::Listener {
    void filesHanded(Strings const& paths) override { handed.push_back(paths); }
    std::vector<Strings> handed;
  } listener;
  copy.setListener(&listener);

  const std::string header = RunningCopy::message({}).substr(0, 8);
  const struct {
    const char* name;
    std::string message;
    Strings paths; // empty: refused
    bool taken;
  } cases[] = {
      {"two paths", RunningCopy::message({"/a b.txt", "/甲.txt"}), {"/a b.txt", "/甲.txt"}, true},
      {"none: the window raised", RunningCopy::message({}), {}, true},
      {"another command", "QMQUIT1\n" + RunningCopy::message({}).substr(8), {}, false},
      {"a relative path", RunningCopy::message({"a.txt"}), {}, false},
      {"a path not ended", header + std::string("\0\0\0\2/a", 6), {}, false},
      {"longer than allowed", header + std::string("\0\x10\0\1", 4), {}, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    listener.handed.clear();
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(copy.socketPath()));
    socket.write(c.message.data(), qint64(c.message.size()));
    ASSERT_TRUE(qmtest::spinUntil([&] { return socket.bytesAvailable() > 0; }));
    EXPECT_EQ(socket.read(1), c.taken ? "y" : "n");
    EXPECT_TRUE(qmtest::spinUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    qmtest::spinFor(20);
    EXPECT_EQ(listener.handed, c.taken ? std::vector<Strings>{c.paths} : std::vector<Strings>{});
  }

  // Private: the folder and the socket are the user's alone.
  for (const fs::path& path : {folder, fs::path(copy.socketPath())}) {
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << path;
  }
  // A folder that others may enter carries no channel: the program runs on its own.
  fs::create_directories(temp / "open");
  fs::permissions(temp / "open", fs::perms::owner_all | fs::perms::others_exec);
  RunningCopy open((temp / "open").string(), "copy");
  EXPECT_EQ(open.claim({"/a"}), RunningCopy::Claim::First);
  EXPECT_EQ(open.socketPath(), "");
}

// The channel lies in the runtime folder only when that is absolute: a relative one would name another
// folder from each working directory, and two copies would run over one user folder.
TEST(ShellTest, TheRunningCopysChannelIgnoresARelativeRuntimeFolder) {
  qmtest::TempDir temp;
  const std::string inTemp = QFile::encodeName(QDir::tempPath()).toStdString() + "/OrvaneSoftware-";
  const struct {
    std::string runtime;
    std::string folder; // the socket's, up to its name
  } cases[] = {
      {"relative/runtime", inTemp},
      {"./runtime", inTemp},
      {"", inTemp},
      {(temp / "runtime").string(), (temp / "runtime/OrvaneSoftware-").string()},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.runtime);
    const qmtest::ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
    RunningCopy copy((temp / "user/OrvaneSoftware").string());
    ASSERT_EQ(copy.claim({}), RunningCopy::Claim::First);
    EXPECT_EQ(copy.socketPath().rfind(c.folder, 0), 0u) << copy.socketPath();
  }
}

namespace {

class Recorder : public MessageBox::Presenter {
public:
  int present(MessageBox const& box) override {
    boxes.push_back(std::string(box.message()) + "|" + box.information());
    return MessageBox::OkPressed;
  }
  Strings boxes;
};

} // namespace

TEST(ShellTest, ShutdownEndsWithinTheBoundWhileTheVersionServerStalls) {
  qmtest::LogCapture log;
  Recorder recorder;
  MessageBox::setPresenter(&recorder);
  put(userFolder() / "data/config", "[general]\nshowWelcome = false\n");
  qmtest::HttpServer server([](qmtest::HttpServer::Request const&) {
    qmtest::HttpServer::Response stalled;
    stalled.delayMs = 60000;
    return stalled;
  });
  // The build's program information with the version link on the stalled server, signed as the build signs.
  std::string body = qmtest::readFile(qmtest::resourcesDir() / "data/program.properties");
  body = body.substr(0, body.find("\n-\n") + 1);
  const size_t link = body.find("versionLink = ");
  body.replace(link, body.find('\n', link) - link, "versionLink = " + server.url("/version"));
  const fs::path base = FileSystem::path(CommonDirectory::Base).c_str();
  put(base / "stalled/program.properties", ProgramInfoSigner::load(QM_SIGNING_KEY).signFile(body));

  auto shell = std::make_unique<Shell>("stalled/program.properties", 10);
  ASSERT_TRUE(shell->start({}));
  ASSERT_TRUE(qmtest::spinUntil([&] { return !server.requests().empty(); }));
  EXPECT_EQ(server.requests()[0].target, "/version/linux");
  ASSERT_TRUE(qmtest::spinUntil([&] { return shell->gui().window().isVisible(); }));

  // The desktop turns dark: the panes take the dark scheme's colours (the mode is Auto for a new user).
  auto text = [&] { return shell->gui().statisticsWidget().tree()->palette().color(QPalette::Text); };
  const QColor light = text();
  QPalette dark;
  dark.setColor(QPalette::Window, Qt::black);
  dark.setColor(QPalette::WindowText, Qt::white);
  const QPalette before = QApplication::palette();
  QApplication::setPalette(dark);
  qmtest::spinFor(50);
  EXPECT_NE(text(), light);
  QApplication::setPalette(before);

  const auto start = std::chrono::steady_clock::now();
  shell->shutdown();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(CurlPP::SHUTDOWN_WAIT_MS)) << "cancelled, not waited out";
  EXPECT_EQ(CurlPP::liveHandles(), 0u);
  EXPECT_EQ(log.all().find("transfers still running"), std::string::npos);
  shell.reset();
  EXPECT_TRUE(recorder.boxes.empty());
  MessageBox::setPresenter(nullptr);
  fs::remove_all(base / "stalled");
}
