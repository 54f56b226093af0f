#include "desktop-ui/filepanel.h"

#include "desktop-ui/slotguard.h"

#include <QFileDialog>

#include <memory>
#include <utility>

namespace {

FilePanel::Presenter& presenter() {
  static FilePanel::Presenter p;
  return p;
}

void showQtPanel(QWidget* parent, FilePanel::Kind kind, QString const& title, QString const& filter,
                 FilePanel::Answer answer) {
  auto* panel = new QFileDialog(parent, title);
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAttribute(Qt::WA_DeleteOnClose);
  if (!filter.isEmpty()) panel->setNameFilter(filter);
  switch (kind) {
  case FilePanel::Kind::openFile:
    panel->setFileMode(QFileDialog::ExistingFile);
    break;
  case FilePanel::Kind::openFiles:
    panel->setFileMode(QFileDialog::ExistingFiles);
    break;
  case FilePanel::Kind::directory:
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    break;
  case FilePanel::Kind::saveFile:
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    break;
  }
  auto answered = std::make_shared<bool>(false);
  auto reply = [answer, answered](QStringList const& paths) {
    if (std::exchange(*answered, true)) return;
    slotGuard("Error answering a file panel: ", [&] { answer(paths); });
  };
  QObject::connect(panel, &QFileDialog::finished, panel, [panel, reply](int result) {
    reply(result == QDialog::Accepted ? panel->selectedFiles() : QStringList());
  });
  // A panel closed with its parent window never finishes: that counts as cancelled.
  QObject::connect(panel, &QObject::destroyed, [reply] { reply({}); });
  panel->open();
}

} // namespace

void FilePanel::setPresenter(Presenter p) {
  presenter() = std::move(p);
}

void FilePanel::show(QWidget* parent, Kind kind, QString const& title, QString const& filter, Answer answer) {
  if (presenter())
    presenter()(parent, kind, title, filter, std::move(answer));
  else
    showQtPanel(parent, kind, title, filter, std::move(answer));
}
