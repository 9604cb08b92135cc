#pragma once
// Gives the main window's "Customi&ze..." and "&Transceiver..." commands their
// dialogs. The window itself keeps the menu's check marks.

class CKelvaneDlg;

namespace kelvane {

void ConnectMenuDialogs(CKelvaneDlg& window);

}  // namespace kelvane
