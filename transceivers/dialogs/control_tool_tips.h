#pragma once
// A dialog's tooltip texts as a table of control ids, registered in one go.

#include <span>

class CMultiTipCtrl;

namespace kelvane {

class TemplateDialog;

struct ControlToolTip {
  int id;
  const char* text;  // UTF-8
};

void AddControlToolTips(CMultiTipCtrl& toolTip, const TemplateDialog& dialog,
                        std::span<const ControlToolTip> tips);

}  // namespace kelvane
