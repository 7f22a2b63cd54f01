// What the program asks of the platform beyond the toolkit: the About entry
// in the window's system menu, the restart manager, and how the toolkit maps
// the fixed pixel layout to the screen. One file per platform.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace tarvik {

// The system menu command of the About entry.
inline constexpr unsigned kSysMenuAboutCommand = 0x0010;

// Called before the application object exists.
void PrepareWindowToolkit();

// Appends a separator and the About entry to the window's system menu.
// False where the window has no system menu a program can extend.
bool AppendSystemMenuAbout(QWidget& window, const QString& text);

// Whether a native window message is the system menu's About command.
bool IsSystemMenuAbout(const QByteArray& eventType, const void* message);

// Asks the system to restart the program after a crash or hang; no recovery
// and no autosave. False where there is no such service.
bool RegisterForRestart();

}  // namespace tarvik
