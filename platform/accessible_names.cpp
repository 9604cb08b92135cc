#include "accessible_names.h"

#include <QStringList>
#include <algorithm>
#include <optional>

namespace kelvane {
namespace {

using res::ControlKind;
using res::ControlTemplate;

struct Box {
  int left, top, right, bottom;  // dialog units; right and bottom exclusive
};

// A closed drop-down list is about one entry high; the template height holds its list.
constexpr int kClosedDropDownHeight = 14;
// Labels may reach a unit into the field they name (a head over a column).
constexpr int kTouch = 1;

Box BoxOf(const ControlTemplate& c) {
  const int height =
      c.kind == ControlKind::DropDownList ? std::min(c.height, kClosedDropDownHeight) : c.height;
  return {c.x, c.y, c.x + c.width, c.y + height};
}

bool RowsOverlap(const Box& a, const Box& b) { return a.top < b.bottom && b.top < a.bottom; }
bool ColumnsOverlap(const Box& a, const Box& b) { return a.left < b.right && b.left < a.right; }
bool Contains(const Box& outer, const Box& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool IsField(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
    case ControlKind::ValueLabel:
    case ControlKind::ListBox:
    case ControlKind::DropDownList:
    case ControlKind::ProgressBar:
      return true;
    default:
      return false;
  }
}

// Mnemonic marks out, line breaks and runs of blanks as one blank, trimmed.
QString Cleaned(const char* caption) {
  QString text = QString::fromUtf8(caption);
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) out += text[++i];
      continue;
    }
    out += text[i];
  }
  return out.simplified();
}

// The colon only parts a caption from its field; it is not read.
QString WithoutColon(QString text) {
  if (text.endsWith(QLatin1Char(':'))) text = text.left(text.size() - 1).trimmed();
  return text;
}

class Namer {
 public:
  Namer(const res::DialogTemplate& t, std::size_t index) : t_(t), field_(t.controls[index]) {
    box_ = BoxOf(field_);
    group_ = GroupOf(field_);
  }

  QString name() const {
    if (field_.kind == ControlKind::CheckBox) return Cleaned(field_.caption);
    if (!IsField(field_.kind)) return {};
    const QString left = LeftCaption();
    const QString head = Vertical(true);
    if (!left.isEmpty() && !head.isEmpty()) return left + QLatin1Char(' ') + head;
    if (!left.isEmpty()) return left;
    if (!head.isEmpty()) return WithoutColon(head);
    const QString below = Vertical(false);
    if (!below.isEmpty()) return WithoutColon(below);
    return group_ ? WithoutColon(Cleaned(group_->caption)) : QString();
  }

  // The group box whose title alone names the field, or nullptr.
  const ControlTemplate* namingGroup() const {
    if (!IsField(field_.kind) || !group_ || Cleaned(group_->caption).isEmpty()) return nullptr;
    if (!LeftCaption().isEmpty() || !Vertical(true).isEmpty() || !Vertical(false).isEmpty())
      return nullptr;
    return group_;
  }

 private:
  // The smallest group box holding c whole, or nullptr.
  const ControlTemplate* GroupOf(const ControlTemplate& c) const {
    const ControlTemplate* best = nullptr;
    for (const ControlTemplate& g : t_.controls) {
      if (g.kind != ControlKind::GroupBox || &g == &c || !Contains(BoxOf(g), BoxOf(c))) continue;
      if (!best || g.width * g.height < best->width * best->height) best = &g;
    }
    return best;
  }

  bool IsCaption(const ControlTemplate& c) const {
    return c.kind == ControlKind::Label && !Cleaned(c.caption).isEmpty() &&
           GroupOf(c) == group_;
  }

  // The caption on the field's left: a label, or a radio button or check box
  // that introduces it. Fields of the same row (same top and height) are
  // passed over, so that every box of a grid row takes the row's label.
  QString LeftCaption() const {
    const ControlTemplate* best = nullptr;
    int bestEdge = 0;
    for (const ControlTemplate& c : t_.controls) {
      const bool button = c.kind == ControlKind::RadioButton || c.kind == ControlKind::CheckBox;
      if (&c == &field_ || !(IsCaption(c) || (button && GroupOf(c) == group_))) continue;
      const Box b = BoxOf(c);
      if (b.left >= box_.left || !RowsOverlap(b, box_)) continue;
      const int edge = std::min(b.right, box_.left);
      if (best && edge <= bestEdge) continue;
      if (BlockedAcross(edge)) continue;
      best = &c;
      bestEdge = edge;
    }
    return best ? WithoutColon(Cleaned(best->caption)) : QString();
  }

  bool BlockedAcross(int edge) const {
    for (const ControlTemplate& c : t_.controls) {
      if (&c == &field_ || c.kind == ControlKind::GroupBox || c.kind == ControlKind::Label) continue;
      const Box b = BoxOf(c);
      if (!RowsOverlap(b, box_) || b.right <= edge || b.left >= box_.left) continue;
      const bool sameRow = IsField(c.kind) && c.y == field_.y && c.height == field_.height;
      if (!sameRow) return true;
    }
    return false;
  }

  // The nearest label above (the head of the field's column) or below it, read
  // as it is written. Fields with the same left edge in between are passed over.
  QString Vertical(bool above) const {
    const ControlTemplate* best = nullptr;
    int bestGap = 0;
    for (const ControlTemplate& c : t_.controls) {
      if (&c == &field_ || !IsCaption(c)) continue;
      const Box b = BoxOf(c);
      if (!ColumnsOverlap(b, box_)) continue;
      const int gap = above ? box_.top - b.bottom : b.top - box_.bottom;
      if (gap < -kTouch || (best && gap >= bestGap)) continue;
      if (BlockedAlong(above ? b.bottom : box_.bottom, above ? box_.top : b.top)) continue;
      best = &c;
      bestGap = gap;
    }
    return best ? Cleaned(best->caption) : QString();
  }

  bool BlockedAlong(int from, int to) const {
    for (const ControlTemplate& c : t_.controls) {
      if (&c == &field_ || c.kind == ControlKind::GroupBox || c.kind == ControlKind::Label) continue;
      const Box b = BoxOf(c);
      if (!ColumnsOverlap(b, box_) || b.bottom <= from || b.top >= to) continue;
      const bool sameColumn = IsField(c.kind) && c.x == field_.x;
      if (!sameColumn) return true;
    }
    return false;
  }

  const res::DialogTemplate& t_;
  const ControlTemplate& field_;
  Box box_{};
  const ControlTemplate* group_ = nullptr;
};

}  // namespace

QString AccessibleNameOf(const res::DialogTemplate& t, std::size_t index) {
  if (index >= t.controls.size()) return {};
  const int id = t.controls[index].id;
  for (const res::ControlName& named : t.names) {
    if (id != res::kNoId && named.id == id) return QString::fromUtf8(named.name);
  }
  return Namer(t, index).name();
}

std::optional<std::size_t> NamingGroupBoxOf(const res::DialogTemplate& t, std::size_t index) {
  if (index >= t.controls.size()) return std::nullopt;
  const ControlTemplate* group = Namer(t, index).namingGroup();
  if (!group) return std::nullopt;
  return static_cast<std::size_t>(group - t.controls.data());
}

}  // namespace kelvane
