#pragma once
// What a top-level window tells the window manager about itself, where Qt's
// own announcement says more than the window allows.

class QWidget;

namespace kelvane {

// Tells the window manager that window can be neither resized nor maximised
// (on X11 the Motif hints, which Qt always marks resizable). Call it once the
// native window exists and before it is shown; elsewhere it does nothing.
void AnnounceFixedSize(QWidget* window);

}  // namespace kelvane
