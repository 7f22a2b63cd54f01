#include "app/ui_language.h"

namespace tarvik {

int LanguageFromLcid(uint32_t lcid) {
  const uint32_t primary = lcid & 0x3FF;
  const uint32_t sublanguage = (lcid & 0xFFFF) >> 10;
  switch (primary) {
    case 0x04:
      return sublanguage == 0x02 ? kLanguageChinese : kLanguageOther;
    case 0x09:
      return kLanguageEnglish;
    case 0x11:
      return kLanguageJapanese;
    default:
      return kLanguageOther;
  }
}

const char* ToolkitTranslationLocale(int language) {
  if (language == kLanguageJapanese) return "ja";
  if (language == kLanguageChinese) return "zh_CN";
  return nullptr;
}

}  // namespace tarvik
