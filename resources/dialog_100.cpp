#include "dialog_100.h"

#include "dialog_100_ids.h"
#include "pictures.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace about_ids;

constexpr ControlTemplate kControls[] = {
    {kIconPicture, K::Picture, "", 0, 1, 20, 20, Style::None},
    {kNoId, K::Label, "Kelvane", 64, 10, 26, 8, Style::None},
    {kNoId, K::Label, "Version 1.1", 64, 29, 36, 8, Style::None},
    {kNoId, K::Label, "Copyright (C) 2026 Orvena. All rights reserved.", 64, 44, 172, 8,
     Style::None},
    {kNoId, K::Line, "", 2, 62, 235, 1, Style::None},
    {kLogo, K::Picture, kBitmap160, 2, 66, 80, 26, Style::None},
    {kNoId, K::Label, "Support and Technical Information:", 87, 65, 140, 10, Style::Sunken},
    {kNoId, K::Label, "Orvena", 87, 78, 92, 8, Style::None},
    {kNoId, K::Label, "Werkstrasse 9, 31999 Lindhagen, Germany", 87, 87, 152, 8, Style::None},
    {kNoId, K::Label, "Web:", 87, 100, 18, 8, Style::None},
    {kNoId, K::Label, "e-Mail:", 87, 108, 22, 8, Style::None},
    {kWebButton, K::PushButton, "https://www.orvena.example/", 112, 99, 102, 9, Style::Flat},
    {kMailButton, K::PushButton, "support@orvena.example", 112, 109, 102, 9, Style::Flat},
    {kNoId, K::Line, "", 4, 119, 235, 1, Style::None},
    {kOk, K::DefPushButton, "OK", 185, 124, 50, 14, Style::TabStop | Style::Group},
};

constexpr ControlName kNames[] = {
    {kIconPicture, "Kelvane icon"},
    {kLogo, "Orvena logo"},
};

constexpr DialogTemplate kDialog{100, 248, 143, " About Kelvane", "MS Sans Serif", 8, kControls,
                                 kNames};

}  // namespace

const DialogTemplate& Dialog100() { return kDialog; }

}  // namespace kelvane::res
