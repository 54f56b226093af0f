#include "desktop-ui/textcontainerwidget.h"

#include <QVBoxLayout>

TextContainerWidget::TextContainerWidget(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
  m_layout->setContentsMargins(0, 0, 0, 0);
  m_layout->setSpacing(0);
}

// The views belong to their owners, not to the container: hand them back before Qt deletes children.
TextContainerWidget::~TextContainerWidget() {
  setSearchView(nullptr);
  setTextView(nullptr);
}

void TextContainerWidget::replace(QPointer<QWidget>& slot, QWidget* widget, int index) {
  if (slot == widget) return;
  if (slot) {
    m_layout->removeWidget(slot);
    slot->hide();
    slot->setParent(nullptr);
  }
  slot = widget;
  if (!widget) return;
  m_layout->insertWidget(index, widget, index == 0 ? 0 : 1);
  widget->show();
}

void TextContainerWidget::setSearchView(QWidget* searchView) {
  replace(m_searchView, searchView, 0);
}

void TextContainerWidget::setTextView(QWidget* textView) {
  replace(m_textView, textView, m_searchView ? 1 : 0);
}
