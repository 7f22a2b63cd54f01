// The user's locale as a Windows locale identifier, which the interface
// language is chosen from (LanguageFromLcid).
#pragma once

#include <cstdint>

namespace tarvik {

// Windows: the user's default locale. Linux: the system locale mapped by
// LcidFromLocale, so it needs the toolkit there.
uint32_t UserDefaultLcid();

}  // namespace tarvik
