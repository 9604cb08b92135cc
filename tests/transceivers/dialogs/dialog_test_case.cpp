#include "dialog_test_case.h"

#include "widget_text.h"

namespace kelvane::testing {

bool TransceiverDialogTest::StartCase() {
  dir_ = std::make_unique<WorkingDirectory>();
  if (!dir_->ok()) return false;
  boxes_ = std::make_unique<ScriptedMessageBoxes>();
  return true;
}

void TransceiverDialogTest::EndCase() {
  boxes_.reset();
  dir_.reset();
}

void TransceiverDialogTest::WriteDefaults() {
  WriteTransceiverFile({RecordImage(DefaultRecord0()), RecordImage(DefaultRecord1())});
}

QString Text(const TemplateDialog& dialog, int id) { return TextOf(dialog.control(id)); }

}  // namespace kelvane::testing
