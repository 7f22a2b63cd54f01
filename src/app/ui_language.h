// The user interface language, chosen from a Windows-style locale
// identifier, and that identifier derived from the system locale here.
#pragma once

#include <cstdint>

class QLocale;

namespace tarvik {

enum UiLanguage : int {
  kLanguageEnglish = 0,
  kLanguageJapanese = 1,
  kLanguageChinese = 2,  // Simplified Chinese
  kLanguageOther = 3,    // shown in English
};

// Primary language in the low 10 bits, sublanguage in bits 10 to 15.
int LanguageFromLcid(uint32_t lcid);

// The identifier the user's locale has on Windows for the languages the
// program tells apart; other languages map to their own primary language.
uint32_t LcidFromLocale(const QLocale& locale);

}  // namespace tarvik
