#include "app/user_locale.h"

#include <windows.h>

namespace tarvik {

uint32_t UserDefaultLcid() { return GetUserDefaultLCID(); }

}  // namespace tarvik
