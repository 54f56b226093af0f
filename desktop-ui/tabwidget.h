// One tab of a TabHeaderWidget: its title, centred and cut with an ellipsis, a close button when the strip
// has them, a fill for the active tab and for the tab under the mouse, and a mark in the palette's
// selection colour along the active tab's foot. The strip owns and reuses it.
#pragma once

#include <QColor>
#include <QWidget>

class CloseButton;

class TabWidget : public QWidget {
  Q_OBJECT

public:
  static constexpr int MARGIN = 10;
  static constexpr int MARK = 3; // the height of the active tab's mark

  // The fills; an invalid colour draws none.
  struct Colours {
    QColor active;
    QColor inactive;
    QColor highlighted;
  };

  TabWidget(bool enableClose, Colours const& colours, QWidget* parent);

  void setTitle(QString const& title);
  QString title() const { return m_title; }
  void setActive(bool active);
  bool isActive() const { return m_active; }
  bool isHighlighted() const { return m_highlighted; }
  void setColours(Colours const& colours);
  CloseButton* closeButton() const { return m_close; }

  QSize sizeHint() const override;

signals:
  void pressed();
  void closeClicked();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  QRect titleRect() const;

  QString m_title;
  CloseButton* m_close = nullptr; // a child; null without close buttons
  Colours m_colours;
  bool m_active = false;
  bool m_highlighted = false; // the mouse is over the tab
};
