#pragma once
// " Customize restrictions": the eleven rule check boxes.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog137();

}  // namespace kelvane::res
