// The Windows locale identifier of a locale the toolkit describes.
#pragma once

#include <cstdint>

class QLocale;

namespace tarvik {

// The identifier the user's locale has on Windows for the languages the
// program tells apart; other languages map to their own primary language.
uint32_t LcidFromLocale(const QLocale& locale);

}  // namespace tarvik
