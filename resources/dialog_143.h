#pragma once
// " Insert and Edit Transceivers": the editor of the transceiver file.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog143();

}  // namespace kelvane::res
