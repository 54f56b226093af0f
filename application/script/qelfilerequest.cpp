#include "script/qelfilerequest.h"

#include "utils/messagecenter.h"

#include <new>

namespace qelLua {

FileRequest::FileRequest(QelLua::FileChooser::Kind kind, Text title, std::shared_ptr<ChooserSlot> slot)
    : kind(kind), title(std::move(title)), slot(std::move(slot)) {}

FileRequest::Outcome FileRequest::ask(ThreadData& thread, QelLua::FileChooser::Kind kind, Text title,
                                      std::vector<Text>& paths) {
  paths.clear();
  auto request = std::make_shared<FileRequest>(kind, std::move(title), thread.chooser);
  auto message = std::make_unique<std::shared_ptr<FileRequest>>(request);
  {
    std::lock_guard lock(thread.mutex);
    if (thread.kill) return Outcome::killed;
    if (!thread.threaded) return Outcome::answered;
    thread.pending = request;
  }
  try {
    MessageCenter::instance().addMessage(message.get(), &FileRequest::show);
  } catch (std::bad_alloc const&) {
    std::lock_guard lock(thread.mutex);
    thread.pending.reset();
    throw;
  }
  message.release(); // the queued call owns it now
  Outcome outcome;
  {
    std::unique_lock lock(request->mutex);
    request->done.wait(lock, [&] { return request->answered || request->cancelled; });
    outcome = request->cancelled ? Outcome::killed : Outcome::answered;
    paths = std::move(request->paths);
  }
  std::lock_guard lock(thread.mutex);
  thread.pending.reset();
  return outcome;
}

void FileRequest::cancel() {
  std::lock_guard lock(mutex);
  cancelled = true;
  done.notify_all();
}

void FileRequest::answer(std::vector<Text> const& chosen) {
  std::lock_guard lock(mutex);
  if (answered || cancelled) return;
  answered = true;
  paths = chosen;
  done.notify_all();
}

void FileRequest::show(void* data) {
  std::unique_ptr<std::shared_ptr<FileRequest>> owner(static_cast<std::shared_ptr<FileRequest>*>(data));
  std::shared_ptr<FileRequest> request = *owner;
  {
    std::lock_guard lock(request->mutex);
    if (request->cancelled) return;
  }
  QelLua::FileChooser* chooser = nullptr;
  {
    std::lock_guard lock(request->slot->mutex);
    chooser = request->slot->chooser;
  }
  // Without a chooser there is nothing to show the request on: it counts as cancelled by the reader.
  if (!chooser) {
    request->answer({});
    return;
  }
  chooser->choose(request->kind, request->title,
                  [request](std::vector<Text> const& paths) { request->answer(paths); });
}

} // namespace qelLua
