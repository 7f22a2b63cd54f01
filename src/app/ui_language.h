// The user interface language, chosen from a Windows-style locale identifier.
#pragma once

#include <cstdint>

namespace tarvik {

enum UiLanguage : int {
  kLanguageEnglish = 0,
  kLanguageJapanese = 1,
  kLanguageChinese = 2,  // Simplified Chinese
  kLanguageOther = 3,    // shown in English
};

// Primary language in the low 10 bits, sublanguage in bits 10 to 15.
int LanguageFromLcid(uint32_t lcid);

// The locale name of the toolkit's own translations for the language ("ja",
// "zh_CN"), or nullptr where its texts stay in English.
const char* ToolkitTranslationLocale(int language);

}  // namespace tarvik
