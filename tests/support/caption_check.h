#pragma once
// Checks that every caption of a built dialog can be read in full with the
// dialog font: nothing cut off at the right or bottom of its control.

#include <QStringList>

namespace kelvane {
class TemplateDialog;
}

namespace kelvane::testing {

// One line per control whose current text does not fit its control (labels,
// push buttons, check boxes, radio buttons, group box titles), naming the control
// and the sizes; empty when all fit.
QStringList ClippedCaptions(const TemplateDialog& dialog);

}  // namespace kelvane::testing
