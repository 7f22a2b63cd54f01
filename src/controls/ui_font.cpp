#include "controls/ui_font.h"

#include <QStringList>

#include "controls/desktop_dpi.h"

namespace tarvik {
namespace {

constexpr const char* kFaceName = "Meiryo UI";
double g_fontScale = 1.0;
bool g_fontScaleComputed = false;

}  // namespace

double FontScale() { return g_fontScale; }

void ComputeFontScale() {
  if (g_fontScaleComputed) return;
  g_fontScaleComputed = true;
  const double dpi = DesktopLogPixelsX();
  if (dpi <= 0) return;
  g_fontScale = 1.0 / (dpi / 96.0);
}

void InstallFontSubstitutes(int language) {
  // Japanese and Chinese share code points but not glyph forms, so the
  // language's own CJK face comes first. English texts need no CJK face at
  // all: a Latin face first keeps the large CJK fonts out of memory.
  const QStringList latin = {"Noto Sans", "Liberation Sans", "DejaVu Sans"};
  const QStringList japanese = {"Noto Sans CJK JP", "Source Han Sans JP", "IPAexGothic",
                                "VL Gothic"};
  const QStringList chinese = {"Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Micro Hei",
                               "WenQuanYi Zen Hei"};
  QStringList faces;
  if (language == 1)
    faces << japanese << chinese << latin;
  else if (language == 2)
    faces << chinese << japanese << latin;
  else
    faces << latin << japanese << chinese;
  faces << "Droid Sans Fallback";
  QFont::removeSubstitutions(kFaceName);
  QFont::insertSubstitutions(kFaceName, faces);
}

QFont MakeUiFont(bool underline) {
  QFont font(kFaceName);
  const int tenths = static_cast<int>(100 * g_fontScale);
  font.setPointSizeF(tenths / 10.0);
  font.setUnderline(underline);
  return font;
}

}  // namespace tarvik
