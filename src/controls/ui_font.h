// The one typeface of the program's windows, and the scale that keeps its
// pixel height when the desktop runs at another resolution than 96 dpi.
#pragma once

#include <QFont>

namespace tarvik {

// 96 divided by the desktop's horizontal logical dots per inch; 1.0 until
// ComputeFontScale has run.
double FontScale();
// Computes FontScale once from the desktop; later calls change nothing.
void ComputeFontScale();

// Maps the program's typeface to fonts this system has, preferring the CJK
// forms of the user interface language (0 English, 1 Japanese, 2 Chinese).
void InstallFontSubstitutes(int language);

// "Meiryo UI" at trunc(100 * FontScale()) tenths of a point.
QFont MakeUiFont(bool underline = false);

}  // namespace tarvik
