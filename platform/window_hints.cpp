#include "window_hints.h"

#include <QGuiApplication>
#include <QWidget>

#if KELVANE_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>

#include <cstdlib>
#include <cstring>
#endif

namespace kelvane {

#if KELVANE_HAVE_XCB
namespace {

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr int kMotifFields = 5;
constexpr std::uint32_t kHasFunctions = 1u << 0;
constexpr std::uint32_t kHasDecorations = 1u << 1;
constexpr std::uint32_t kAll = 1u << 0;  // in functions and decorations: all but those named
constexpr std::uint32_t kFunctionResize = 1u << 1;
constexpr std::uint32_t kFunctionMaximize = 1u << 4;
constexpr std::uint32_t kDecorationResizeHandle = 1u << 2;
constexpr std::uint32_t kDecorationMaximize = 1u << 6;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (!reply) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// Takes bits out of a Motif field; with kAll set the field lists what is left out.
std::uint32_t Without(std::uint32_t field, std::uint32_t bits) {
  return (field & kAll) ? (field | bits) : (field & ~bits);
}

}  // namespace

void AnnounceFixedSize(QWidget* window) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!window || !x11 || !window->internalWinId()) return;
  // The offscreen platform answers for X11 too, without a connection.
  xcb_connection_t* connection = x11->connection();
  if (!connection) return;
  const auto id = static_cast<xcb_window_t>(window->internalWinId());
  const xcb_atom_t atom = Atom(connection, "_MOTIF_WM_HINTS");
  if (atom == XCB_ATOM_NONE) return;

  std::uint32_t hints[kMotifFields] = {};
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, id, atom, atom, 0, kMotifFields);
  if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr)) {
    const int length = xcb_get_property_value_length(reply);
    if (reply->format == 32 && length > 0) {
      std::memcpy(hints, xcb_get_property_value(reply),
                  std::min<std::size_t>(sizeof hints, static_cast<std::size_t>(length)));
    }
    std::free(reply);
  }
  // A field Qt left unset means "everything"; say so before leaving things out.
  if (!(hints[0] & kHasFunctions)) hints[1] = kAll;
  if (!(hints[0] & kHasDecorations)) hints[2] = kAll;
  hints[0] |= kHasFunctions | kHasDecorations;
  hints[1] = Without(hints[1], kFunctionResize | kFunctionMaximize);
  hints[2] = Without(hints[2], kDecorationResizeHandle | kDecorationMaximize);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom, atom, 32, kMotifFields, hints);
  xcb_flush(connection);
}

#else

void AnnounceFixedSize(QWidget*) {}

#endif

}  // namespace kelvane
