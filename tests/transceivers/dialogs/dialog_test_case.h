#pragma once
// What each transceiver dialog test case starts from, a fresh working directory
// and scripted message boxes, and reading a control's text.

#include <QObject>
#include <QString>
#include <memory>

#include "scripted_message_boxes.h"
#include "template_dialog.h"
#include "transceiver_test_files.h"

namespace kelvane::testing {

// Base of the dialog test classes; their init() and cleanup() slots call
// StartCase() and EndCase().
class TransceiverDialogTest : public QObject {
 protected:
  // False when no working directory could be made; the boxes are then not set up.
  bool StartCase();
  void EndCase();
  // A file holding the two records the selection seeds an empty file with.
  void WriteDefaults();

  std::unique_ptr<WorkingDirectory> dir_;
  std::unique_ptr<ScriptedMessageBoxes> boxes_;
};

QString Text(const TemplateDialog& dialog, int id);

}  // namespace kelvane::testing
