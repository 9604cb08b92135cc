#include "control_tool_tips.h"

#include <QString>

#include "ox_tooltip_ctrl.h"
#include "template_dialog.h"

namespace kelvane {

void AddControlToolTips(COXToolTipCtrl& toolTip, const TemplateDialog& dialog,
                        std::span<const ControlToolTip> tips) {
  for (const ControlToolTip& tip : tips)
    toolTip.AddTool(dialog.control(tip.id), QString::fromUtf8(tip.text));
}

}  // namespace kelvane
