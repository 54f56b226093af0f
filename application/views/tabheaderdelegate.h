// What a tab strip tells its owner: a tab was clicked, or its close button pressed. The strip changes
// nothing by itself; the owner decides and selects (TabHeader::select) or removes. Main thread only.
#pragma once

class TabHeader;
struct TabItem;

class TabHeaderDelegate {
public:
  virtual ~TabHeaderDelegate() = default;
  virtual void tabChanged(TabHeader const& header, TabItem const& item) = 0;
  virtual void tabClose(TabHeader const& header, TabItem const& item) = 0;
};
