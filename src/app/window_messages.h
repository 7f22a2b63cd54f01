// The program's own window messages, as event types of the window system.
#pragma once

#include <QEvent>

namespace tarvik {

// Posted from the receive thread: a device notification (code, value).
inline const QEvent::Type WM_DEVICE_NOTIFY = static_cast<QEvent::Type>(QEvent::User + 1);
// Posted by the main window to itself when it has been set up.
inline const QEvent::Type WM_START_MONITOR = static_cast<QEvent::Type>(QEvent::User + 2);
// Sent synchronously by a page whose device exchange failed.
inline const QEvent::Type WM_COMM_ERROR = static_cast<QEvent::Type>(QEvent::User + 3);
// Posted by the USB page to itself after a USB speed change.
inline const QEvent::Type WM_RESTART_WAIT = static_cast<QEvent::Type>(QEvent::User + 4);

// Posted by a button to its parent when clicked; wParam is the control id.
inline const QEvent::Type WM_COMMAND = static_cast<QEvent::Type>(QEvent::User + 16);

// A program message with its two parameters.
class AppMessage : public QEvent {
 public:
  AppMessage(QEvent::Type type, long long wParam = 0, long long lParam = 0)
      : QEvent(type), wParam(wParam), lParam(lParam) {}
  const long long wParam;
  const long long lParam;
};

}  // namespace tarvik
