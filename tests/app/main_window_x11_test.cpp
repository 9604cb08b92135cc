// What the main window tells an X11 window manager, read back from a real X
// server: a normal top-level window of fixed size with minimise and close only;
// and the thank-you window before it, centred on the screen's work area.

#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kelvane_app.h"
#include "kelvane_dlg.h"
#include "modal.h"

using kelvane::testing::WhenModalShown;

namespace {

xcb_connection_t* Connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t Atom(const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      Connection(),
      xcb_intern_atom(Connection(), 0, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// The 32-bit items of a property; empty when the window has none.
std::vector<std::uint32_t> Property(xcb_window_t window, xcb_atom_t property) {
  std::vector<std::uint32_t> items;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      Connection(),
      xcb_get_property(Connection(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
      nullptr);
  if (reply && reply->format == 32) {
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    items.assign(data, data + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return items;
}

bool Has(const std::vector<std::uint32_t>& items, std::uint32_t value) {
  return std::find(items.begin(), items.end(), value) != items.end();
}

void WhenMainWindowShown(CKelvaneApp* app, std::function<void(CKelvaneDlg*)> act, int triesLeft = 5000) {
  QTimer::singleShot(1, app, [app, act, triesLeft] {
    if (app->mainWindow() && app->mainWindow()->isVisible())
      act(app->mainWindow());
    else if (triesLeft > 0)
      WhenMainWindowShown(app, act, triesLeft - 1);
  });
}

}  // namespace

class MainWindowX11Test : public QObject {
  Q_OBJECT

 private slots:
  void announcedAsANormalWindowOfFixedSize() {
    QVERIFY(qGuiApp->nativeInterface<QNativeInterface::QX11Application>());
    auto* app = static_cast<CKelvaneApp*>(QCoreApplication::instance());
    xcb_window_t window = 0;
    std::vector<std::uint32_t> type, state, transientFor, sizeHints, motif;
    // A panel takes the left 200 and the bottom 64 pixels of the 1280 x 1024 screen.
    const QRect workArea(200, 0, 1080, 960);
    const std::uint32_t area[] = {200, 0, 1080, 960};
    xcb_change_property(Connection(), XCB_PROP_MODE_REPLACE,
                        xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root,
                        Atom("_NET_WORKAREA"), XCB_ATOM_CARDINAL, 32, 4, area);
    xcb_flush(Connection());
    QTRY_COMPARE(QGuiApplication::primaryScreen()->availableGeometry(), workArea);
    QPoint thanksCentre;
    WhenModalShown([&](QWidget* first) {
      thanksCentre = first->frameGeometry().center();
      WhenMainWindowShown(app, [&](CKelvaneDlg* main) {
        window = static_cast<xcb_window_t>(main->winId());
        type = Property(window, Atom("_NET_WM_WINDOW_TYPE"));
        state = Property(window, Atom("_NET_WM_STATE"));
        transientFor = Property(window, XCB_ATOM_WM_TRANSIENT_FOR);
        sizeHints = Property(window, XCB_ATOM_WM_NORMAL_HINTS);
        motif = Property(window, Atom("_MOTIF_WM_HINTS"));
        kelvane::testing::RejectNextModal();  // the thank-you window on closing
        QMetaObject::invokeMethod(main->controlAs<QPushButton>(1), "click", Qt::QueuedConnection);
      });
      QMetaObject::invokeMethod(first, "reject", Qt::QueuedConnection);
    });
    app->InitInstance();
    QVERIFY(window != 0);
    QVERIFY2((thanksCentre - workArea.center()).manhattanLength() <= 1,
             qPrintable(QStringLiteral("centre %1,%2").arg(thanksCentre.x()).arg(thanksCentre.y())));

    QCOMPARE(type, std::vector<std::uint32_t>{Atom("_NET_WM_WINDOW_TYPE_NORMAL")});
    QVERIFY2(transientFor.empty(), "transient for another window");
    for (const char* name : {"_NET_WM_STATE_MODAL", "_NET_WM_STATE_SKIP_TASKBAR",
                             "_NET_WM_STATE_SKIP_PAGER"})
      QVERIFY2(!Has(state, Atom(name)), name);

    // WM_NORMAL_HINTS: flags, 4 unused, min width and height, max width and height, ...
    QVERIFY(sizeHints.size() >= 9);
    constexpr std::uint32_t kMinSize = 1u << 4, kMaxSize = 1u << 5;
    QVERIFY((sizeHints[0] & kMinSize) && (sizeHints[0] & kMaxSize));
    QCOMPARE(sizeHints[5], sizeHints[7]);
    QCOMPARE(sizeHints[6], sizeHints[8]);

    // _MOTIF_WM_HINTS: flags, functions, decorations.
    QVERIFY(motif.size() >= 3);
    QCOMPARE(motif[0] & 3u, 3u);
    constexpr std::uint32_t kAll = 1, kResize = 1u << 1, kMove = 1u << 2, kMinimize = 1u << 3,
                            kMaximize = 1u << 4, kClose = 1u << 5;
    QCOMPARE(motif[1] & (kAll | kResize | kMove | kMinimize | kMaximize | kClose),
             kMove | kMinimize | kClose);
    constexpr std::uint32_t kResizeHandle = 1u << 2, kMinimizeBox = 1u << 5,
                            kMaximizeBox = 1u << 6;
    QCOMPARE(motif[2] & (kAll | kResizeHandle | kMinimizeBox | kMaximizeBox), kMinimizeBox);
  }
};

int main(int argc, char** argv) {
  CKelvaneApp app(argc, argv);
  MainWindowX11Test test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_x11_test.moc"
