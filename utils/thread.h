// Worker threads. Every worker starts through Thread::launch with a heap-allocated Runner (a plain function
// and its argument), which the new thread owns and frees. Workers are detached, so a finished thread leaves
// nothing behind; an owner that must wait for one polls the worker's own finished flag. Only a thread
// launched Joinable (the log writer) is joined, by its owner.
#pragma once

#include <pthread.h>

class Thread {
public:
  enum class Mode { Detached, Joinable };

  template <typename Fn> struct Runner;

  Thread() = default;
  Thread(Thread const&) = delete;
  Thread& operator=(Thread const&) = delete;

  // Starts runner->fn(runner->arg) on a new thread, which takes over the runner. Returns false when the
  // thread could not be created: the failure is logged under "ERR", the runner is freed and fn never runs, so
  // the caller must not wait for it.
  static bool launch(Thread& thread, Runner<void (*)(void*)>* runner, Mode mode = Mode::Detached);

  // Waits for a Joinable thread to end; does nothing for any other. Returns false when there was nothing to
  // join.
  bool join();
  // Lets a Joinable thread go: it ends on its own and frees what it holds. Returns false when there was
  // nothing to detach.
  bool detach();
  bool launched() const { return m_launched; }

private:
  pthread_t m_thread{};
  bool m_launched = false;
  bool m_joinable = false;
};

template <> struct Thread::Runner<void (*)(void*)> {
  using Fn = void (*)(void*);
  Runner(Fn fn, void* arg) : fn(fn), arg(arg) {}

  // The thread's entry: calls fn(arg), then frees the runner. An exception from fn is logged under "ERR" and
  // ends the thread; it never escapes.
  static void* run(void* runner);

  Fn fn;
  void* arg;
};
