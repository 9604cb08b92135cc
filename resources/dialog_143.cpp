#include "dialog_143.h"

#include <array>
#include <cstddef>

#include "dialog_143_ids.h"

namespace kelvane::res {
namespace {

using K = ControlKind;
using namespace editor_ids;
using namespace Style;

// Frames and labels come first so that they lie beneath the controls they surround.
constexpr ControlTemplate kFixedHead[] = {
    {kNoId, K::GroupBox, " Name ", 7, 7, 133, 40, None},
    {kNoId, K::GroupBox, " Description ", 7, 49, 133, 77, None},
    {kNoId, K::GroupBox, " Timing Values ", 145, 7, 196, 120, None},
    {kNoId, K::GroupBox, " Visualize Saved Records ", 7, 127, 133, 50, None},
    {kNoId, K::Label, "Number of Records", 13, 136, 62, 8, None},
    {kNoId, K::Label, " Record", 13, 147, 26, 8, None},
    {kNoId, K::Label, "Min.", 194, 16, 18, 8, None},
    {kNoId, K::Label, "Nom.", 224, 16, 20, 8, None},
    {kNoId, K::Label, "Max.", 256, 16, 18, 8, None},
    {kNoId, K::Label, "R8 C.", 284, 16, 22, 8, None},
    {kNoId, K::Label, "Amb. C.", 309, 16, 30, 8, None},
    {kNoId, K::Label, "tBit:", 152, 27, 34, 8, None},
    {kNoId, K::Label, "tonTXD", 152, 41, 34, 8, None},
    {kNoId, K::Label, "toffTXD", 152, 55, 34, 8, None},
    {kNoId, K::Label, "tonRXD", 152, 69, 34, 8, None},
    {kNoId, K::Label, "toffRXD", 152, 83, 34, 8, None},
    {kNoId, K::Label, "tonRXD", 152, 97, 34, 8, None},
    {kNoId, K::Label, "toffRXD", 152, 112, 34, 8, None},
    {kName, K::Edit, "", 14, 21, 117, 14, UpperCase | AutoHScroll | TabStop},
    {kDescription, K::Edit, "", 13, 60, 119, 60,
     Multiline | AlignCenter | WantReturn | AutoVScroll | VScroll | TabStop},
};

constexpr ControlTemplate kFixedTail[] = {
    {kCount, K::Edit, "", 113, 135, 21, 12, ReadOnly | AutoHScroll | TabStop},
    {kRecordNumber, K::Edit, "", 113, 148, 21, 12, ReadOnly | AutoHScroll | TabStop},
    {kInsertMode, K::RadioButton, "Insert mode", 147, 132, 53, 10, Flat | Group | TabStop},
    {kEditMode, K::RadioButton, "Edit Mode", 147, 143, 48, 10, Flat},
    {kPrevious, K::PushButton, "<<<<", 43, 163, 26, 9, TabStop},
    {kNext, K::PushButton, ">>>>", 71, 163, 26, 9, TabStop},
    {kModify, K::PushButton, "Modify", 147, 162, 34, 14, TabStop},
    {kDelete, K::PushButton, "Delete", 183, 162, 34, 14, TabStop},
    {kAdd, K::PushButton, "Add", 243, 162, 34, 14, TabStop},
    {kClose, K::DefPushButton, "Close", 307, 162, 34, 14, TabStop},
};

constexpr int kColumnX[kDelayGridColumns] = {189, 221, 252, 281, 310};
constexpr int kRowY[kDelayGridRows] = {25, 39, 53, 67, 81, 95, 109};

// Only min, nom and max of the four delay rows take input.
constexpr bool GridBoxEnabled(int row, int column) {
  return row >= 1 && row <= 4 && column <= 2;
}

constexpr std::size_t kHead = std::size(kFixedHead);
constexpr std::size_t kGrid = kDelayGridRows * kDelayGridColumns;
constexpr std::size_t kTail = std::size(kFixedTail);

// Name and description, then the delay boxes row by row, then the rest, so
// that the tab key walks through the entries in reading order.
constexpr std::array<ControlTemplate, kHead + kGrid + kTail> MakeControls() {
  std::array<ControlTemplate, kHead + kGrid + kTail> all{};
  std::size_t n = 0;
  for (const ControlTemplate& c : kFixedHead) all[n++] = c;
  for (int row = 0; row < kDelayGridRows; ++row) {
    for (int column = 0; column < kDelayGridColumns; ++column) {
      const unsigned style = DigitsOnly | AutoHScroll |
                             (GridBoxEnabled(row, column) ? TabStop : Disabled);
      all[n++] = {DelayBoxId(row, column), K::Edit, "", kColumnX[column], kRowY[row], 24, 12,
                  style};
    }
  }
  for (const ControlTemplate& c : kFixedTail) all[n++] = c;
  return all;
}

constexpr auto kControls = MakeControls();

// Rows 5 and 6 repeat the labels of rows 3 and 4; the arrows name no direction.
constexpr ControlName kNames[] = {
    {DelayBoxId(5, 0), "second tonRXD Min."},   {DelayBoxId(5, 1), "second tonRXD Nom."},
    {DelayBoxId(5, 2), "second tonRXD Max."},   {DelayBoxId(5, 3), "second tonRXD R8 C."},
    {DelayBoxId(5, 4), "second tonRXD Amb. C."}, {DelayBoxId(6, 0), "second toffRXD Min."},
    {DelayBoxId(6, 1), "second toffRXD Nom."},  {DelayBoxId(6, 2), "second toffRXD Max."},
    {DelayBoxId(6, 3), "second toffRXD R8 C."}, {DelayBoxId(6, 4), "second toffRXD Amb. C."},
    {kPrevious, "Previous record"},             {kNext, "Next record"},
};

constexpr DialogTemplate kDialog{143, 348, 183, " Insert and Edit Transceivers", "MS Sans Serif",
                                 8, kControls, kNames};

}  // namespace

const DialogTemplate& Dialog143() { return kDialog; }

}  // namespace kelvane::res
