#pragma once
// Names for screen readers, taken from the labels the templates put beside
// each entry, list, check box and output field.

#include <QString>
#include <cstddef>

#include "dialog_template.h"

namespace kelvane {

// The accessible name of control index of t: a check box's own caption; for an
// entry, list, drop-down list, progress bar or value label the caption of the
// label on its left in the same row (with its closing colon left out), joined
// with the head of its column when it stands in a grid; else the label above or
// below it; else the title of its group box. Empty for other kinds or when no
// label is found. Labels and group boxes only count within the same group box.
QString AccessibleNameOf(const res::DialogTemplate& t, std::size_t index);

}  // namespace kelvane
