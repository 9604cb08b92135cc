#include "control_tool_tips.h"

#include <QString>

#include "multi_tip_ctrl.h"
#include "template_dialog.h"

namespace kelvane {

void AddControlToolTips(CMultiTipCtrl& toolTip, const TemplateDialog& dialog,
                        std::span<const ControlToolTip> tips) {
  for (const ControlToolTip& tip : tips)
    toolTip.AddTool(dialog.control(tip.id), QString::fromUtf8(tip.text));
}

}  // namespace kelvane
