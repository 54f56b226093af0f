// A forked child process that runs a body and reports by its exit status; pipes order its steps against
// the parent's, so tests of processes do not depend on timing.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

namespace qmtest {

// A child that waits for the parent's go-ahead at each step and tells it when a step is done.
class Child {
public:
  explicit Child(std::function<int(Child&)> body) {
    if (pipe(m_toChild) != 0 || pipe(m_toParent) != 0) throw std::runtime_error("pipe");
    m_pid = fork();
    if (m_pid == 0) {
      close(m_toChild[1]);
      close(m_toParent[0]);
      int rc = 3;
      try {
        rc = body(*this);
      } catch (...) {
      }
      _exit(rc);
    }
    close(m_toChild[0]);
    close(m_toParent[1]);
  }
  ~Child() {
    if (m_pid > 0 && !m_reaped) wait();
    close(m_toChild[1]);
    close(m_toParent[0]);
  }
  // In the child: tell the parent, then wait for its answer.
  void signalAndWait() {
    char c = 1;
    if (write(m_toParent[1], &c, 1) != 1 || read(m_toChild[0], &c, 1) != 1) _exit(4);
  }
  // In the parent.
  bool waitForChild() {
    char c;
    return read(m_toParent[0], &c, 1) == 1;
  }
  void resume() {
    char c = 1;
    if (write(m_toChild[1], &c, 1) != 1) ADD_FAILURE() << "child gone";
  }
  int wait() {
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }

private:
  int m_toChild[2] = {-1, -1}, m_toParent[2] = {-1, -1};
  pid_t m_pid = -1;
  bool m_reaped = false;
};

// Runs check in a forked child that an alarm ends after the limit, so that a call that would block for ever
// fails the test instead of hanging it. check returns what went wrong, empty when nothing did; that text is
// shown with the failure.
inline void expectInChild(std::function<std::string()> const& check, unsigned seconds = 5) {
  EXPECT_EXIT(
      {
        ::alarm(seconds);
        const std::string problems = check();
        std::fputs(problems.c_str(), stderr);
        std::_Exit(problems.empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

} // namespace qmtest
