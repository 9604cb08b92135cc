#pragma once
// Dialog layouts as data: sizes and positions in dialog units, as the program's
// templates give them. platform/TemplateDialog builds Qt widgets from these.

#include <span>

namespace kelvane::res {

enum class ControlKind {
  Edit,           // single-line entry (multi-line with Style::Multiline)
  Label,          // static text
  ValueLabel,     // static text whose text the window sets (usually sunken)
  GroupBox,
  PushButton,
  DefPushButton,  // the default button: Enter in an entry presses it
  RadioButton,
  CheckBox,
  ListBox,
  DropDownList,   // combo box without an edit part
  ProgressBar,
  Line,           // etched line: vertical when width is 1, horizontal when height is 1
  Picture,        // bitmap; caption holds the bitmap's resource path
};

// Style bits, combined with |.
namespace Style {
inline constexpr unsigned None = 0;
inline constexpr unsigned TabStop = 1u << 0;
inline constexpr unsigned Disabled = 1u << 1;
inline constexpr unsigned Hidden = 1u << 2;
inline constexpr unsigned ReadOnly = 1u << 3;
inline constexpr unsigned DigitsOnly = 1u << 4;
inline constexpr unsigned AlignRight = 1u << 5;
inline constexpr unsigned AlignCenter = 1u << 6;
inline constexpr unsigned Flat = 1u << 7;
inline constexpr unsigned Sunken = 1u << 8;
inline constexpr unsigned UpperCase = 1u << 9;
inline constexpr unsigned Multiline = 1u << 10;
inline constexpr unsigned VScroll = 1u << 11;
inline constexpr unsigned Notify = 1u << 12;      // list/combo: notifies selection changes
inline constexpr unsigned Sorted = 1u << 13;      // list/combo keeps its entries sorted
inline constexpr unsigned Group = 1u << 14;       // starts a group of radio buttons
inline constexpr unsigned WantReturn = 1u << 15;  // multi-line edit: Enter types a line break
inline constexpr unsigned AutoHScroll = 1u << 16;
inline constexpr unsigned AutoVScroll = 1u << 17;
inline constexpr unsigned HScroll = 1u << 18;
inline constexpr unsigned CenterImage = 1u << 19;  // picture: image centred in the control's
                                                   // rectangle; without it the control takes
                                                   // the image's size at its top-left corner
}  // namespace Style

inline constexpr int kNoId = -1;  // a control without an identifier
// The identifiers the windowing system gives the buttons that end a dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct ControlTemplate {
  int id;               // kNoId for controls without identifier
  ControlKind kind;
  const char* caption;  // UTF-8; "" when none
  int x, y, width, height;  // dialog units
  unsigned style;
};

// A name for screen readers where the labels beside a control do not tell it
// apart from another one (a binary and a decimal field under one head, say).
struct ControlName {
  int id;
  const char* name;  // UTF-8
};

struct DialogTemplate {
  int id;
  int width, height;    // dialog units, the client area
  const char* caption;  // UTF-8
  const char* fontFamily;  // "MS Sans Serif"
  int fontPointSize;       // 8
  std::span<const ControlTemplate> controls;  // template order = creation and tab order
  std::span<const ControlName> names = {};     // accessible names chosen by hand
};

}  // namespace kelvane::res
