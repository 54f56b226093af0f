// Each run has its own runner (which shares the run's program data with the script's thread), counting
// stream and output writer (a ScriptReaper::Run), so a run that is stopped but slow to end can be handed over
// whole while the next one starts. The output file is closed as
// soon as a run ends, whatever its outcome, so that partial output can be copied and saved.
#include "control/runscriptdialogcontroller.h"

#include "control/scriptreaper.h"
#include "documents/documentmanager.h"
#include "programinfo/programinfo.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "script/scriptdetails.h"
#include "text/wordhash.h"
#include "utils/countingoutputstream.h"
#include "utils/filedeleter.h"
#include "utils/filemapping.h"
#include "utils/filesystem.h"
#include "utils/number.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/textbuffer.h"
#include "views/clipboard.h"
#include "views/runscriptdialog.h"
#include "views/runscriptdialogdata.h"

#include <chrono>
#include <cstring>

namespace {

constexpr double DETAILS_INTERVAL = 0.2; // seconds between two updates of the running time

void showProgress(RunScriptDialog& dialog, double seconds, size_t size) {
  const Number time(seconds, 2);
  const Number bytes(static_cast<unsigned long>(size));
  TextBuffer<512> details;
  details.format("Running Time: %s seconds\nOutput Size: %s bytes", time.text(), bytes.text());
  dialog.setDetails(details.c_str());
}

} // namespace

struct RunScriptDialogController::Impl {
  Impl(StateMaker makeState, RunScriptDialogData data)
      : makeState(std::move(makeState)), data(std::move(data)) {}

  void retire();
  double elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  bool closeOutput();

  StateMaker makeState;
  RunScriptDialogData data;
  FileDeleter outputFile{nullptr}; // the current output file: deleted at the next run and at the end
  ScriptReaper::Run run;           // the current run; no runner before the first
  Text outputPath;
  std::chrono::steady_clock::time_point start; // of the current run
  bool copyWhenDone = false;                   // the run's copy-to-clipboard choice, taken at its start
  bool ended = true;                           // the current run's end has been shown
  size_t outputSize = 0;                       // at the last poll; the final size once the run has ended
  double lastUpdate = 0;                       // seconds into the run at the last details update
};

void RunScriptDialogController::Impl::retire() {
  ended = true;
  if (run.lua) ScriptReaper::instance().adopt(std::move(run));
  run = ScriptReaper::Run();
}

// Flushes the counted bytes into the file and closes it; false when any of them was not written.
bool RunScriptDialogController::Impl::closeOutput() {
  bool written = run.output->flush();
  run.output->setTarget(nullptr);
  if (run.writer) written = run.writer->close() && written;
  return written;
}

RunScriptDialogController::StateMaker
RunScriptDialogController::programState(Dictionary const& dictionary, WordListManager const& wordLists,
                                        WordHash const& lookedUpWords, SegmentEngine const& engine,
                                        DocumentManager const& documents) {
  return [&dictionary, &wordLists, &lookedUpWords, &engine, &documents] {
    auto state = std::make_shared<qelLua::QelState>(dictionary, wordLists);
    state->lookedUpWords().copy(lookedUpWords);
    state->setSegmentEngine(engine);
    state->setOpenDocuments(documents.openDocuments());
    return state;
  };
}

RunScriptDialogController::RunScriptDialogController(StateMaker makeState, RunScriptDialogData data)
    : impl(std::make_unique<Impl>(std::move(makeState), std::move(data))) {}

RunScriptDialogController::~RunScriptDialogController() {
  impl->retire();
}

const char* RunScriptDialogController::loadErrorText(int status) {
  switch (status) {
  case 3:
    return "Syntax error in script";
  case 4:
    return "Insufficient memory";
  case 5:
    return "Error running garbage collector";
  case 7:
    return "Error loading file";
  default:
    return "Unknown error";
  }
}

RunScriptDialogData const& RunScriptDialogController::data() const {
  return impl->data;
}

void RunScriptDialogController::scriptChanged(RunScriptDialog& dialog, const char* path) {
  const ScriptDetails details(path);
  dialog.setStatus("");
  dialog.setDetails(details.valid() ? details.details() : "");
  dialog.clearCopyMessage();
  impl->outputSize = 0;
}

void RunScriptDialogController::runScript(RunScriptDialog& dialog, const char* path) {
  if (!path) return;
  dialog.clearCopyMessage();
  impl->data.recentScripts.addFile(path, 0);
  impl->retire();
  impl->outputSize = 0;

  ScriptReaper::Run run;
  run.lua = std::make_unique<QelLua>(impl->makeState());
  run.output = std::make_unique<CountingOutputStream>();
  run.lua->setFileChooser(dialog.fileChooser());
  impl->copyWhenDone = dialog.saveOutputToClipboard();

  const char* prefix = ProgramInfo::instance().shortName();
  impl->outputPath = FileSystem::getTempFilename(*prefix ? prefix : "zun");
  impl->outputFile.reset(impl->outputPath.c_str());
  try {
    // Exclusive: a name planted in the shared temporary folder is never written through.
    run.writer = std::make_unique<FileWriter>(impl->outputPath.c_str(), FileWriter::Exclusive);
  } catch (zun::exception const&) {
    dialog.setError("Error opening output file", "");
    return;
  }
  run.output->setTarget(run.writer.get());
  run.lua->setOutputStream(*run.output);
  const int status = run.lua->load(path);
  if (status != 0) {
    dialog.setError(loadErrorText(status), run.lua->errorMessage());
    return;
  }

  dialog.setStatus("Running");
  showProgress(dialog, 0, 0);
  dialog.setScriptRunning(true);
  impl->run = std::move(run);
  impl->ended = false;
  impl->lastUpdate = 0;
  impl->start = std::chrono::steady_clock::now();
  impl->run.lua->run(true);
}

void RunScriptDialogController::onTimer(RunScriptDialog& dialog) {
  ScriptReaper::Run& run = impl->run;
  if (!run.lua || impl->ended) {
    dialog.setScriptRunning(false);
    return;
  }
  const double seconds = impl->elapsed();
  if (run.lua->running()) {
    impl->outputSize = run.output->total();
    if (seconds - impl->lastUpdate > DETAILS_INTERVAL) {
      showProgress(dialog, seconds, impl->outputSize);
      impl->lastUpdate = seconds;
    }
    return;
  }
  // The script has ended: everything it wrote is counted now, and the file is complete once closed.
  dialog.setScriptRunning(false);
  impl->ended = true;
  const bool written = impl->closeOutput();
  impl->outputSize = run.output->total();
  if (run.lua->result() != 0) {
    dialog.setError("Error running script", run.lua->errorMessage());
    return;
  }
  if (!written) {
    dialog.setError("Error writing output file", std::strerror(run.writer->error()));
    return;
  }
  dialog.setStatus("Finished");
  showProgress(dialog, seconds, impl->outputSize);
  if (impl->copyWhenDone && impl->outputSize) outputToClipboard(dialog);
}

void RunScriptDialogController::killScript(RunScriptDialog&) {
  if (impl->run.lua && impl->run.lua->running()) impl->run.lua->kill();
}

void RunScriptDialogController::outputToClipboard(RunScriptDialog& dialog) {
  if (!impl->outputSize) {
    dialog.setCopyResult("Nothing to copy", false);
    return;
  }
  bool copied = false;
  try {
    const FileMapping mapping(impl->outputPath.c_str());
    const size_t size = mapping.fileSize();
    if (void* data = size ? mapping.map(0, size) : nullptr) {
      Clipboard().setText(Span(static_cast<const char*>(data), size));
      mapping.unmap(data, size);
      copied = true;
    }
  } catch (zun::exception const&) {
    // A file still being written is locked, and a vanished one cannot be opened: both are a failed copy.
  }
  if (copied)
    dialog.setCopyResult("Copied output to clipboard", true);
  else
    dialog.setCopyResult("Copy to clipboard failed", false);
}

void RunScriptDialogController::outputToFile(RunScriptDialog& dialog, const char* path) {
  if (!path || !*path || !impl->outputSize) {
    dialog.setCopyResult("Nothing to save", false);
    return;
  }
  if (!FileSystem::instance().privateCopyFile(impl->outputPath.c_str(), path)) {
    dialog.setCopyResult("Error saving to file", false);
    return;
  }
  TextBuffer<2048> text;
  text.format("Saved output to '%s'", path);
  dialog.setCopyResult(text.c_str(), true);
}
