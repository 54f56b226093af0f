// Not a benchmark: runs a script file through the runner as the program does, on its own thread, with the
// shipped data (dictionary, master word list, levels) and the documents named after it open and processed.
// The script's output goes to standard output. The locale is set up as the program's: the reader's, but
// numbers in "C".
//
//   qel_run [--kill-after MS] [--destroy-after MS] script.lua [document ...]
//
// Exit status: 0 the script ended well; 1 it failed (the Lua error on standard error) or could not be
// loaded; 2 it was killed (--kill-after kills it after MS milliseconds); 3 the runner was destroyed after
// MS milliseconds (--destroy-after) and that returned within its bound; 4 destroying it took longer;
// 64 a usage error. After a kill it says on standard error how long the script took to end. A script never
// makes it die of a signal.
#include "dictionary/cedictionary.h"
#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/filesystem.h"
#include "utils/outputstream.h"

#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Standard output, written through at once; a reader that went away only loses the rest.
class StandardOutput : public OutputStream {
public:
  size_t write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
      const ssize_t n = ::write(STDOUT_FILENO, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      p += n;
      left -= size_t(n);
    }
    return size;
  }
};

struct Options {
  long killAfter = -1;
  long destroyAfter = -1;
  const char* script = nullptr;
  std::vector<const char*> documents;
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--kill-after" || arg == "--destroy-after") && i + 1 < argc) {
      char* end = nullptr;
      const long ms = std::strtol(argv[++i], &end, 10);
      if (*end || ms < 0) return false;
      (arg == "--kill-after" ? o.killAfter : o.destroyAfter) = ms;
    } else if (!o.script) {
      o.script = argv[i];
    } else {
      o.documents.push_back(argv[i]);
    }
  }
  return o.script;
}

} // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr, "usage: %s [--kill-after MS] [--destroy-after MS] script.lua [document ...]\n",
                 argv[0]);
    return 64;
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 0);

  const CEDictionary dictionary("data/cedict_ts.u8", false);
  const WordHash noWords(10);
  qelLua::QelState state(dictionary, noWords);
  OldWordListManager& words = OldWordListManager::instance();
  std::vector<std::unique_ptr<Document>> documents;
  std::vector<Document*> open;
  for (const char* path : o.documents) {
    documents.push_back(std::make_unique<Document>(path, FileSystem::stripPath(path),
                                                   words.privateMasterList(), words.privateProficiencyLevel(),
                                                   state.segmentEngine()));
    documents.back()->processor()->beginProcessing(false);
    open.push_back(documents.back().get());
  }
  state.setOpenDocuments(open);

  StandardOutput out;
  auto lua = std::make_unique<QelLua>(state);
  lua->setOutputStream(out);
  if (lua->load(o.script) != 0) {
    std::fprintf(stderr, "%s\n", lua->errorMessage());
    return 1;
  }
  const auto start = Clock::now();
  lua->run(true);
  bool killed = false;
  Clock::time_point killedAt;
  while (!lua->waitUntilEnded(1ms)) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (o.killAfter >= 0 && elapsed >= o.killAfter && !killed) {
      killedAt = Clock::now();
      lua->kill();
      killed = true;
    }
    if (o.destroyAfter >= 0 && elapsed >= o.destroyAfter) {
      const auto destroying = Clock::now();
      lua.reset();
      const auto took = Clock::now() - destroying;
      std::fprintf(
          stderr, "destroyed in %lld ms\n",
          static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
      std::fflush(stderr);
      // A script let go may still run: end without running the destructors of what it uses.
      std::_Exit(took <= QelLua::DESTROY_WAIT + 500ms ? 3 : 4);
    }
  }
  if (killed)
    std::fprintf(stderr, "ended %lld ms after the kill\n",
                 static_cast<long long>(
                     std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - killedAt).count()));
  if (lua->result() == 0) return 0;
  std::fprintf(stderr, "%s\n", lua->errorMessage());
  return std::strcmp(lua->errorMessage(), "Script Killed") == 0 ? 2 : 1;
}
