// The desktop's horizontal logical pixels per inch, which the font scale of
// the pages and controls follows. One file per platform.
#pragma once

namespace tarvik {

// Zero when the desktop cannot be asked.
double DesktopLogPixelsX();

}  // namespace tarvik
