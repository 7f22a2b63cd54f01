#include "app/user_locale.h"

#include <QLocale>

#include "app/locale_lcid.h"

namespace tarvik {

uint32_t UserDefaultLcid() { return LcidFromLocale(QLocale::system()); }

}  // namespace tarvik
