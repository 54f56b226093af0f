// The definition popup: a borderless window listing the looked-up word's dictionary entries (headword, the
// other character form in brackets, pinyin, numbered senses), one block per entry with thin grey lines
// between, in the fonts of its DefinitionConfig. It opens beside the word, kept on that word's screen, and
// closes on a click elsewhere, Escape or "d"; closing only hides it, for the next lookup. GUI thread only.
#pragma once

#include "views/definitionconfig.h"
#include "views/definitionentry.h"
#include "views/definitionview.h"

#include <QFont>
#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

class DefinitionWidget : public QWidget, public DefinitionView {
public:
  static constexpr int MARGIN = 16;      // around the list
  static constexpr int ENTRY_GAP = 20;   // between blocks; the grey line runs in its middle
  static constexpr int LINE_GAP = 5;     // between the lines of a block
  static constexpr int OTHER_GAP = 8;    // between the headword and its other form
  static constexpr int WRAP_WIDTH = 400; // the widest a line grows before it wraps

  explicit DefinitionWidget(QWidget* parent = nullptr);
  ~DefinitionWidget() override;
  using QWidget::show;

  Dictionary const* dictionary() const override { return m_dictionary; }
  void setConfig(DefinitionConfig const& config) override;
  void setDictionary(Dictionary const* dictionary) override { m_dictionary = dictionary; }
  void setWord(Span const& word) override;
  void show(double x, double y) override;

  std::vector<DefinitionEntry> const& entries() const { return m_entries; }
  // The block widgets, top to bottom; their labels are named "headword", "other", "pinyin", "english".
  std::vector<QWidget*> const& blocks() const { return m_blocks; }
  // The font of a character set's headword, and of pinyin and English.
  QFont const& headwordFont(int characterSet) const;
  QFont const& pinyinFont() const { return m_pinyinFont; }
  QFont const& englishFont() const { return m_englishFont; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  QWidget* makeBlock(DefinitionEntry const& entry);

  DefinitionConfig m_config;                // its own copy
  Dictionary const* m_dictionary = nullptr; // not owned
  std::vector<DefinitionEntry> m_entries;
  std::vector<QWidget*> m_blocks;
  QVBoxLayout* m_list;
  QFont m_simplifiedFont, m_traditionalFont, m_pinyinFont, m_englishFont;
};
