#include "desktop-ui/imagelabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

ImageLabel::ImageLabel(QString const& text, QIcon const& image, QWidget* parent)
    : QWidget(parent), imageLabel(new QLabel(this)), textLabel(new QLabel(text, this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(imageLabel, 0, Qt::AlignVCenter);
  row->addWidget(textLabel, 1, Qt::AlignVCenter);
  textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setImage(image);
}

QString ImageLabel::text() const {
  return textLabel->text();
}

void ImageLabel::setText(QString const& text) {
  textLabel->setText(text);
}

void ImageLabel::setImage(QIcon const& image) {
  icon = image;
  const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  imageLabel->setPixmap(icon.pixmap(side, side));
  imageLabel->setVisible(!icon.isNull());
}
