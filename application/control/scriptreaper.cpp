#include "control/scriptreaper.h"

#include "script/qellua.h"
#include "utils/countingoutputstream.h"
#include "utils/platform/posix/filewriter.h"

#include <algorithm>
#include <chrono>
#include <vector>

ScriptReaper::Run::Run() = default;
ScriptReaper::Run::Run(Run&&) noexcept = default;
ScriptReaper::Run& ScriptReaper::Run::operator=(Run&&) noexcept = default;
ScriptReaper::Run::~Run() = default;

struct ScriptReaper::Impl {
  std::vector<Run> runs; // killed, still running at the last look
  Listener* listener = nullptr;
};

ScriptReaper::ScriptReaper() : impl(std::make_unique<Impl>()) {}

ScriptReaper::~ScriptReaper() = default;

ScriptReaper& ScriptReaper::instance() {
  static ScriptReaper* reaper = new ScriptReaper;
  return *reaper;
}

void ScriptReaper::adopt(Run run) {
  if (!run.lua) return;
  run.lua->kill();
  // Nobody chooses files for a stopped script; a request it still makes is answered as cancelled.
  run.lua->setFileChooser(nullptr);
  if (!run.lua->running()) return;
  impl->runs.push_back(std::move(run));
  if (impl->listener) impl->listener->runsWaiting();
}

size_t ScriptReaper::poll() {
  auto& runs = impl->runs;
  runs.erase(std::remove_if(runs.begin(), runs.end(), [](Run const& r) { return !r.lua->running(); }),
             runs.end());
  return runs.size();
}

size_t ScriptReaper::pending() const {
  return impl->runs.size();
}

void ScriptReaper::setListener(Listener* listener) {
  impl->listener = listener;
}

bool ScriptReaper::finish() {
  const auto deadline = std::chrono::steady_clock::now() + QelLua::DESTROY_WAIT;
  for (Run& run : impl->runs) { // each was killed when it was adopted
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    run.lua->waitUntilEnded(std::max(left, std::chrono::milliseconds(0)));
  }
  return poll() == 0;
}
