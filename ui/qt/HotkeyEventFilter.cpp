#include "ui/qt/HotkeyEventFilter.h"

#include <QByteArray>
#include <xcb/xcb.h>

#include "platform/x11/X11Desktop.h"

namespace ui {

bool HotkeyEventFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != QByteArrayLiteral("xcb_generic_event_t") || message == nullptr) return false;
  try {
    if (auto id = desktop_.HotkeyPressed(*static_cast<const xcb_generic_event_t*>(message))) {
      postHotKey_(*id);
      return true;  // ours: Qt has no window for the root's key events
    }
  } catch (...) {
    // Queuing can only fail for want of memory; the press is lost, the program goes on.
  }
  return false;
}

}  // namespace ui
