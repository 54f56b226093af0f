// Several running copies of the program sharing one word-list folder, as forked processes.
#include "support/logcapture.h"
#include "support/tempdir.h"
#include "support/wordsof.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using qmtest::wordsOf;

std::string word(const char* prefix, int i) {
  return prefix + std::to_string(10000 + i);
}

// Marks count words, saving after each; a save that fails is retried with the next one. Runs in a child,
// which starts marking when a byte arrives on go, so that both children are at work at the same time.
int markAndSave(std::string const& root, const char* prefix, int count, int go) {
  try {
    WordListManager manager(root.c_str());
    char byte;
    if (read(go, &byte, 1) != 1) return 4;
    for (int i = 0; i < count; ++i) {
      manager.current().add(Span(word(prefix, i)));
      manager.saveVersion();
      std::this_thread::sleep_for(std::chrono::milliseconds(1)); // no reader marks words faster
    }
    for (int attempt = 0; attempt < 50; ++attempt)
      if (manager.saveVersion()) return 0;
    return 2;
  } catch (...) {
    return 3;
  }
}

// Waits for a child for at most ten seconds; a child that takes longer is killed and counts as failed.
int waitFor(pid_t child) {
  int status = 0;
  for (int i = 0; i < 1000; ++i) {
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return 101;
}

} // namespace

TEST(WordListConcurrencyTest, TwoProcessesKeepEveryMarkOfBoth) {
  qmtest::TempDir dir;
  const std::string root = dir.str();
  { WordListManager setUp(root.c_str()); }
  constexpr int COUNT = 25;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t children[2];
  const char* prefixes[2] = {"a", "b"};
  for (int k = 0; k < 2; ++k) {
    children[k] = fork();
    ASSERT_GE(children[k], 0);
    if (children[k] == 0) _exit(markAndSave(root, prefixes[k], COUNT, go[0]));
  }
  ASSERT_EQ(write(go[1], "gg", 2), 2);
  close(go[0]);
  close(go[1]);
  for (pid_t child : children)
    EXPECT_EQ(waitFor(child), 0);

  WordListManager manager(root.c_str());
  std::set<std::string> expected;
  for (int i = 0; i < COUNT; ++i)
    expected.insert({word("a", i), word("b", i)});
  EXPECT_EQ(wordsOf(manager.current()), expected);
}

TEST(WordListConcurrencyTest, ProcessKilledWhileSavingLeavesOldOrNewMarks) {
  qmtest::TempDir dir;
  const std::string root = dir.str();
  { WordListManager setUp(root.c_str()); }
  std::mt19937 random(12345);
  size_t saved = 0;
  for (int run = 0; run < 12; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Carries on from what is stored, one mark and one save at a time, until killed.
      WordListManager manager(root.c_str());
      for (int i = int(manager.current().totalWords()); i < 100000; ++i) {
        manager.current().add(Span(word("w", i)));
        manager.saveVersion();
      }
      _exit(0);
    }
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<>(2000, 40000)(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    qmtest::LogCapture log;
    WordListManager manager(root.c_str());
    const std::set<std::string> words = wordsOf(manager.current());
    // Marks are made and saved in order, so what survives is w0 ... wN with nothing missing in between.
    std::set<std::string> prefix;
    for (size_t i = 0; i < words.size(); ++i)
      prefix.insert(word("w", int(i)));
    EXPECT_EQ(words, prefix);
    EXPECT_GE(words.size(), saved);
    saved = words.size();
    EXPECT_EQ(log.all().find("Unable to verify"), std::string::npos) << log.all();
  }
  EXPECT_GT(saved, 0u);
}
