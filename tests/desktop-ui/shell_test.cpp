// The program's shell: start-up as the program runs it, in a child process (the probe, answering its boxes
// Ok): with good program information the window shows and only then opens the file of the command line;
// every failure ends with an "ERR" line, a box naming the problem and a non-zero status, and leaves the
// user's files as they were. In this process: shutdown while the version server stalls ends within libcurl's
// bound, and the colours follow the desktop turning dark.
#include "curlpp/curlpp.h"
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/statisticswidget.h"
#include "programinfosigner.h"
#include "support/httpserver.h"
#include "support/logcapture.h"
#include "support/qtspin.h"
#include "support/tempdir.h"
#include "utils/filesystem.h"
#include "utils/platform/posix/namedfilelock.h"
#include "views/messagebox.h"
#include "wordlists/wordliststate.h"

#include <QApplication>
#include <QPalette>
#include <QTreeView>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct ProbeRun {
  int status = -1; // the exit status; -1 when killed or not run
  Strings lines;
};

// Runs the probe with args and QUILLMERE_RESOURCES=resources, its standard output read line by line; a
// probe still running after a minute is killed.
ProbeRun runProbe(Strings const& args, fs::path const& resources) {
  Strings env{"QUILLMERE_RESOURCES=" + resources.string()};
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("QUILLMERE_RESOURCES=", 0) != 0) env.emplace_back(*e);
  Strings argv{QM_SHELL_PROBE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv, cenv;
  for (auto& a : argv)
    cargv.push_back(a.data());
  for (auto& e : env)
    cenv.push_back(e.data());
  cargv.push_back(nullptr);
  cenv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, QM_SHELL_PROBE, &actions, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  ProbeRun run;
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (char buffer[4096]; spawned == 0;) {
    pollfd p{out[0], POLLIN, 0};
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, size_t(n));
  }
  close(out[0]);
  int status = 0;
  if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    run.lines.push_back(line);
  return run;
}

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

} // namespace

TEST(ShellTest, StartsOnlyWhenEverythingItNeedsIsThereAndOpensTheCommandLinesFileOnceTheWindowShows) {
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

  const struct {
    const char* name;
    fs::path resources;
    bool holdList;
    std::string box; // empty: starts
  } cases[] = {
      {"good", good, false, ""},
      {"missing program information", broken, false, "The program information file is missing."},
      {"tampered program information", tampered, false, "Invalid program info."},
      {"missing dictionary", noDictionary, false, "The dictionary file 'data/cedict_ts.u8' is missing."},
      {"unreadable master list", unreadableList, false, "The word list 'data/words.u8' could not be read."},
      {"list held by another copy", good, true,
       "The word lists are in use by another running copy of the program."},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<NamedFileLock> held;
    if (c.holdList) held = WordListState::lock(Text((userFolder() / "wordlists/").c_str()), "known");
    const auto before = snapshot(userFolder());
    const ProbeRun run = runProbe({document.string()}, c.resources);
    if (c.box.empty()) {
      EXPECT_EQ(run.status, 0);
      const long shown = lineOf(run.lines, "shown");
      ASSERT_GE(shown, 0);
      EXPECT_EQ(run.lines[size_t(shown)], "shown ") << "no document before the window shows";
      EXPECT_GT(lineOf(run.lines, "opened 中国.txt"), shown);
      EXPECT_EQ(lineOf(run.lines, "box"), -1);
      continue;
    }
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(lineOf(run.lines, "shown"), -1);
    const long box = lineOf(run.lines, "box Quillmere|" + c.box + "  This program will now exit.");
    EXPECT_GE(box, 0);
    const long logged = lineOf(run.lines, "log Start-up failed");
    EXPECT_GE(logged, 0);
    EXPECT_LT(logged, box);
    EXPECT_EQ(snapshot(userFolder()), before) << "no user file touched";
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
