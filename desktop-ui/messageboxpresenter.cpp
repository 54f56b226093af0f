#include "desktop-ui/messageboxpresenter.h"

#include "control/application.h"

#include <QApplication>
#include <QLabel>

std::unique_ptr<QMessageBox> MessageBoxPresenter::build(MessageBox const& message, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setIcon(QMessageBox::Information);
  // Not Qt's display name: the shell sets that once start-up is through, and a box may come before.
  box->setWindowTitle(QString::fromUtf8(Application::displayName()));
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromUtf8(message.message()));
  box->setInformativeText(QString::fromUtf8(message.information()));
  // The informative text's label is made on demand, with automatic rich text: plain too.
  for (QLabel* label : box->findChildren<QLabel*>())
    if (!label->text().isEmpty()) label->setTextFormat(Qt::PlainText);
  if (message.type() == MessageBox::Question) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
  }
  return box;
}

int MessageBoxPresenter::answer(QMessageBox const& box) {
  switch (box.standardButton(box.clickedButton())) {
  case QMessageBox::Yes:
    return MessageBox::Yes;
  case QMessageBox::Ok:
    return MessageBox::OkPressed;
  default:
    return box.button(QMessageBox::Ok) ? MessageBox::OkPressed : MessageBox::No;
  }
}

int MessageBoxPresenter::present(MessageBox const& message) {
  const std::unique_ptr<QMessageBox> box = build(message, QApplication::activeWindow());
  box->exec();
  return answer(*box);
}
