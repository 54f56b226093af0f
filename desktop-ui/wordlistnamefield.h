// The name field of the new and edit word-list dialogs with its notice. The name is taken as the list file
// keeps it (WordList::storableDisplayName); a blank one is refused with the notice shown.
#pragma once

#include <QString>

#include <string>

class QLabel;
class QLineEdit;

class WordListNameField {
public:
  // Makes the field "nameField" holding text and the hidden notice "missingName"; the caller lays them out
  // (they are owned by their parent once laid out).
  explicit WordListNameField(QString const& text);

  // The name to store; empty when refused, and then the notice shows and the field has the focus.
  std::string take() const;

  QLineEdit* field;
  QLabel* notice;
};
