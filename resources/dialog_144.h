#pragma once
// "Orvena thanks you!!!!": the thank-you picture with a Close button.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog144();

}  // namespace kelvane::res
