// Makes the program's built-in resources (pictures, icon) available. The
// resources live in a static library, whose registration the linker would
// otherwise drop; safe to call any number of times.
#pragma once

namespace tarvik {

void InitProgramResources();

}  // namespace tarvik
