// The user's locale as a Windows locale identifier, which the interface
// language is chosen from (LanguageFromLcid), and where the toolkit's own
// translations for that language are.
#pragma once

#include <QString>
#include <cstdint>

namespace tarvik {

// Windows: the user's default locale. Linux: the system locale mapped by
// LcidFromLocale, so it needs the toolkit there.
uint32_t UserDefaultLcid();

// Where the toolkit's own translations (qtbase_*.qm) are: Linux, the
// system's toolkit translations; Windows, translations/ beside the program.
QString ToolkitTranslationsDirectory();

}  // namespace tarvik
