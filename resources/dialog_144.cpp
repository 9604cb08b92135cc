#include "dialog_144.h"

#include "dialog_144_ids.h"
#include "pictures.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace thanks_ids;

constexpr ControlTemplate kControls[] = {
    {kNoId, K::Picture, kBitmap161, 0, 0, 343, 179, Style::CenterImage},
    {kClose, K::PushButton, "Close", 293, 164, 50, 14, Style::TabStop},
};

constexpr DialogTemplate kDialog{144, 343, 179, "Orvena thanks you!!!!", "MS Sans Serif", 8,
                                 kControls};

}  // namespace

const DialogTemplate& Dialog144() { return kDialog; }

}  // namespace kelvane::res
