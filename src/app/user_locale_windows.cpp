#include "app/user_locale.h"

#include <windows.h>

#include <QCoreApplication>

namespace tarvik {

uint32_t UserDefaultLcid() { return GetUserDefaultLCID(); }

QString ToolkitTranslationsDirectory() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
}

}  // namespace tarvik
