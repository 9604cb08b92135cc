#pragma once
// Names for screen readers, taken from the labels the templates put beside
// each entry, list, check box and output field.

#include <QString>
#include <cstddef>
#include <optional>

#include "dialog_template.h"

namespace kelvane {

// The accessible name of control index of t: the one t.names gives its id, if
// any; else a check box's own caption; for an entry, list, drop-down list,
// progress bar or value label the caption of the label on its left in the same
// row, joined with the head of its column when it stands in a grid; else the
// label above or below it; else the title of its group box. A closing colon is
// left out. Empty for other kinds or when no label is found. Labels and group
// boxes only count within the same group box.
QString AccessibleNameOf(const res::DialogTemplate& t, std::size_t index);

// The index of the group box whose title names field index of t, when no label
// does; nullopt otherwise.
std::optional<std::size_t> NamingGroupBoxOf(const res::DialogTemplate& t, std::size_t index);

}  // namespace kelvane
