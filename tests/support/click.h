#pragma once
// Clicking a dialog's button as the user does, by its control id.

namespace kelvane {
class TemplateDialog;
}

namespace kelvane::testing {

// Fails the test, naming the id, when the dialog has no button of that id.
void Click(TemplateDialog& dialog, int id);

}  // namespace kelvane::testing
