#pragma once
// Watches Qt's X events for presses of the grabbed hotkey. A press is only queued here
// (PostHotKey): the capture runs later from the event loop, never inside the filter.
#include <QAbstractNativeEventFilter>
#include <functional>

namespace x11 {
class X11Desktop;
}

namespace ui {

class HotkeyEventFilter : public QAbstractNativeEventFilter {
 public:
  HotkeyEventFilter(const x11::X11Desktop& desktop, std::function<void(int)> postHotKey)
      : desktop_(desktop), postHotKey_(std::move(postHotKey)) {}

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  const x11::X11Desktop& desktop_;
  std::function<void(int)> postHotKey_;
};

}  // namespace ui
