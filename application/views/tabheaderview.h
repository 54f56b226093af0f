// The strip that shows a TabHeader (desktop-ui's TabHeaderWidget). The header calls it after each change;
// the strip then asks the header for the tabs. Main thread only.
#pragma once

class TabHeaderView {
public:
  virtual ~TabHeaderView() = default;
  // Items were added or removed, or the delegate changed: show the tabs again.
  virtual void reloadData() = 0;
  // Only the selected index changed.
  virtual void selectionChanged() = 0;
};
