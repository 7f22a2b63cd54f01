// The ids of the program's built-in resources: its texts, its pictures and
// its icon.
#pragma once

namespace tarvik {

// The English text of each; the Japanese one sits at the id +
// kJapaneseTextOffset and the Simplified Chinese one at + kChineseTextOffset.
enum TextId : int {
  kTextAboutMenuEntry = 101,
  kTextAboutCaption = 102,
  kTextOk = 104,
  kTextAlreadyRunning = 108,
  kTextUpdateFirmware = 109,
  kTextOrHigher = 110,
  kTextCannotCommunicate = 111,
  kTextCurrentVersion = 112,
  kTextRestartQuestion = 113,
};
inline constexpr int kJapaneseTextOffset = 10000;
inline constexpr int kChineseTextOffset = 20000;

enum PngId : int {
  kPngAudioOutTab = 145,
  kPngAudioInPage = 146,
  kPngAudioOutPage = 147,
  kPngActiveTab = 148,
  kPngSpeedUnchecked = 150,
  kPngSpeedChecked = 151,
  kPngSpeedDisabled = 152,
  kPngUsbPage = 153,
  kPngAudioInTab = 154,
  kPngUsbTab = 155,
};

// The program icon, in several sizes under this one id.
inline constexpr int kProgramIconId = 128;

}  // namespace tarvik
