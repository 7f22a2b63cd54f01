#include "app/user_locale.h"

#include <QLibraryInfo>
#include <QLocale>

#include "app/locale_lcid.h"

namespace tarvik {

uint32_t UserDefaultLcid() { return LcidFromLocale(QLocale::system()); }

QString ToolkitTranslationsDirectory() {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

}  // namespace tarvik
