#pragma once
// Two lists whose rows belong together (row i of one with row i of the other)
// show the same first row, however either is scrolled.

class QAbstractItemView;

namespace kelvane {

// From now on scrolling either view (wheel, scroll bar, keys, a selection made
// visible) scrolls the other to the same position.
void KeepListsInStep(QAbstractItemView* first, QAbstractItemView* second);

}  // namespace kelvane
