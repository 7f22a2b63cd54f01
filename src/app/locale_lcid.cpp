#include "app/locale_lcid.h"

#include <QLocale>

namespace tarvik {
namespace {

uint32_t ChineseLcid(const QLocale& locale) {
  switch (locale.territory()) {
    case QLocale::China:
      return 0x0804;
    case QLocale::Taiwan:
      return 0x0404;
    case QLocale::HongKong:
      return 0x0C04;
    case QLocale::Singapore:
      return 0x1004;
    case QLocale::Macao:
      return 0x1404;
    default:
      return locale.script() == QLocale::TraditionalHanScript ? 0x0404 : 0x0804;
  }
}

uint32_t EnglishLcid(const QLocale& locale) {
  switch (locale.territory()) {
    case QLocale::UnitedKingdom:
      return 0x0809;
    case QLocale::Australia:
      return 0x0C09;
    case QLocale::Canada:
      return 0x1009;
    default:
      return 0x0409;
  }
}

}  // namespace

uint32_t LcidFromLocale(const QLocale& locale) {
  switch (locale.language()) {
    case QLocale::C:  // no locale set: the English texts
    case QLocale::English:
      return EnglishLcid(locale);
    case QLocale::Japanese:
      return 0x0411;
    case QLocale::Chinese:
      return ChineseLcid(locale);
    case QLocale::German:
      return 0x0407;
    case QLocale::French:
      return 0x040C;
    case QLocale::Spanish:
      return 0x0C0A;
    case QLocale::Italian:
      return 0x0410;
    case QLocale::Korean:
      return 0x0412;
    case QLocale::Dutch:
      return 0x0413;
    case QLocale::Portuguese:
      return 0x0416;
    case QLocale::Russian:
      return 0x0419;
    default:
      return 0x007F;  // the invariant language: neither of the three
  }
}

}  // namespace tarvik
