#include "desktop-ui/wordlistnamefield.h"

#include "desktop-ui/named.h"
#include "wordlists/wordlist.h"

#include <QLabel>
#include <QLineEdit>

WordListNameField::WordListNameField(QString const& text)
    : field(named(new QLineEdit(text), "nameField")),
      notice(named(new QLabel(QLabel::tr("Please enter a name for the word list.")), "missingName")) {
  notice->setWordWrap(true);
  notice->setStyleSheet("color: #c0392b");
  notice->hide();
}

std::string WordListNameField::take() const {
  const Text name = WordList::storableDisplayName(field->text().toUtf8().constData());
  if (name.empty()) {
    notice->show();
    field->setFocus();
  }
  return name.c_str();
}
