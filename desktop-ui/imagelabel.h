// A row of an icon and a text, centred vertically (the run-script dialog's outcome line). Plain labels and
// buttons are QLabel and QPushButton, laid out by Qt layouts.
#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;

class ImageLabel : public QWidget {
public:
  ImageLabel(QString const& text, QIcon const& image, QWidget* parent = nullptr);

  QString text() const;
  void setText(QString const& text);
  QIcon image() const { return icon; }
  void setImage(QIcon const& image);

private:
  QIcon icon;
  QLabel* imageLabel;
  QLabel* textLabel;
};
