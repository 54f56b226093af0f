#include "support/controllerfixture.h"

#include "support/shippedprograminfo.h"
#include "support/waituntil.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "utils/filesystem.h"
#include "utils/link.h"
#include "utils/messagecenter.h"
#include "views/clipboard.h"
#include "views/mainwindowdelegate.h"

#include <chrono>

namespace qmtest {

ControllerFixture::ControllerFixture() {
  loadShippedProgramInfo();
  MessageBox::setPresenter(this);
  links().clear();
  linksAccepted() = true;
  Link::setOpener([](const char* link) {
    links().push_back(link);
    return linksAccepted();
  });
  Clipboard().setText(Span(""));
  std::filesystem::create_directories(docs);
}

ControllerFixture::~ControllerFixture() {
  drain();
  controller.reset();
  drain();
  Link::setOpener(nullptr);
  MessageBox::setPresenter(nullptr);
}

int ControllerFixture::present(MessageBox const& box) {
  boxes.push_back(std::string(box.message()) + "|" + box.information());
  if (box.type() != MessageBox::Question) return MessageBox::OkPressed;
  if (answers.empty()) return MessageBox::No;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void ControllerFixture::start(const char* dictionary) {
  controller = std::make_unique<ApplicationController>(gui);
  controller->init(dictionary);
}

void ControllerFixture::stop() {
  drain();
  controller.reset();
}

MainWindowDelegate& ControllerFixture::window() {
  return *gui.window.windowDelegate;
}

std::filesystem::path ControllerFixture::user(std::string const& sub) const {
  const std::filesystem::path root = FileSystem::instance().userPath().c_str();
  return sub.empty() ? root : root / sub;
}

std::string ControllerFixture::write(std::filesystem::path const& path, std::string const& content) {
  std::filesystem::create_directories(path.parent_path());
  writeFile(path, content);
  return path.string();
}

Document* ControllerFixture::open(std::string const& name, std::string const& content) {
  const std::string path = write(docs / name, content);
  window().onOpenFiles(gui.window, {path});
  Document* document = window().currentDocument(gui.window);
  waitProcessed(document);
  window().onLoadProgress(gui.window); // the window's load timer ticks
  return document;
}

void ControllerFixture::waitProcessed(Document* document) {
  if (document) {
    EXPECT_TRUE(waitUntil(
        [&] {
          drain();
          return !document->isConverting() && document->processor()->finished();
        },
        std::chrono::minutes(1)))
        << "the document's processing did not end";
  }
  drain();
}

void ControllerFixture::drain() {
  int quiet = 0;
  EXPECT_TRUE(waitUntil(
      [&] {
        quiet = MessageCenter::instance().processMessages() ? 0 : quiet + 1;
        return quiet == 3;
      },
      std::chrono::minutes(1), std::chrono::milliseconds(2)))
      << "the main thread's queue never went quiet";
}

std::map<std::string, std::string> ControllerFixture::snapshot(std::filesystem::path const& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file()) files[it->path().lexically_relative(folder).string()] = readFile(it->path());
  return files;
}

std::vector<std::string> ControllerFixture::takeBoxes() {
  return std::exchange(boxes, {});
}

std::vector<std::string>& ControllerFixture::links() {
  static std::vector<std::string> taken;
  return taken;
}

bool& ControllerFixture::linksAccepted() {
  static bool accepted = true;
  return accepted;
}

} // namespace qmtest
