#include "utils/thread.h"

#include "utils/exception.h"
#include "utils/log.h"

#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <memory>

bool Thread::launch(Thread& thread, Runner<void (*)(void*)>* runner, Mode mode) {
  if (!runner) return false;
  pthread_t id;
  const int rc = pthread_create(&id, nullptr, &Runner<void (*)(void*)>::run, runner);
  if (rc != 0) {
    Log::print("ERR", "Unable to launch thread\n\tLast error: %d\n\t%s\n", rc, std::strerror(rc));
    delete runner;
    return false;
  }
  if (mode == Mode::Detached) pthread_detach(id);
  thread.m_thread = id;
  thread.m_launched = true;
  thread.m_joinable = mode == Mode::Joinable;
  return true;
}

bool Thread::join() {
  if (!m_joinable) return false;
  m_joinable = false;
  return pthread_join(m_thread, nullptr) == 0;
}

bool Thread::detach() {
  if (!m_joinable) return false;
  m_joinable = false;
  return pthread_detach(m_thread) == 0;
}

void* Thread::Runner<void (*)(void*)>::run(void* raw) {
  std::unique_ptr<Runner> runner(static_cast<Runner*>(raw));
  try {
    runner->fn(runner->arg);
  } catch (abi::__forced_unwind&) {
    throw; // thread cancellation must unwind to the end
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Uncaught error in thread: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Uncaught exception in thread: %s\n", e.what());
  } catch (...) {
    Log::print("ERR", "Uncaught exception in thread\n");
  }
  return nullptr;
}
