// The main window's document area: the find bar (when shown) across the top at its own height, the text view
// filling the rest. Neither is owned: taking one out hands it back unparented and hidden. GUI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

class TextContainerWidget : public QWidget {
public:
  explicit TextContainerWidget(QWidget* parent = nullptr);
  ~TextContainerWidget() override;

  // Null takes the bar out; the text takes its height again.
  void setSearchView(QWidget* searchView);
  void setTextView(QWidget* textView);
  QWidget* searchView() const { return m_searchView; }
  QWidget* textView() const { return m_textView; }

private:
  void replace(QPointer<QWidget>& slot, QWidget* widget, int index);

  QVBoxLayout* m_layout;
  QPointer<QWidget> m_searchView;
  QPointer<QWidget> m_textView;
};
