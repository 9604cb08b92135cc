#pragma once
// " Select Transceiver": the transceiver, the bus and the propagation delay.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog141();

}  // namespace kelvane::res
