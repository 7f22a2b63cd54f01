// The program icon, which the main window and the About box show.
#pragma once

#include <QIcon>

namespace tarvik {

// The program icon in all its sizes.
QIcon LoadProgramIcon();

}  // namespace tarvik
