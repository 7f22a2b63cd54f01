#include "app/window_platform.h"

namespace tarvik {

// The toolkit's own scaling stays as it is on X11 and Wayland.
void PrepareWindowToolkit() {}

// X11 and Wayland give a program no way into the window manager's menu; the
// window offers the About entry in its context menu instead.
bool AppendSystemMenuAbout(QWidget&, const QString&) { return false; }

bool IsSystemMenuAbout(const QByteArray&, const void*) { return false; }

// Session managers restore programs at log-in only; there is no service that
// restarts a program that crashed.
bool RegisterForRestart() { return false; }

}  // namespace tarvik
