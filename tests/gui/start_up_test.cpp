// Language choice, firmware version texts, the program's texts and the
// one-copy-per-session lock (its Linux files and directories: start_up_posix_test.cpp).
#include <gtest/gtest.h>

#include <QLocale>
#include <QTimer>
#include <string>

#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "settings/firmware_version.h"
#include "app/locale_lcid.h"
#include "system/single_instance_lock.h"
#include "app/ui_language.h"
#include "gui/gui_fixture.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace tarvik {
namespace {

using testing::RecordingBoxes;

TEST(StartUpLanguage, FollowsTheLocaleIdentifier) {
  EXPECT_EQ(LanguageFromLcid(0x0409), kLanguageEnglish);
  EXPECT_EQ(LanguageFromLcid(0x0809), kLanguageEnglish);
  EXPECT_EQ(LanguageFromLcid(0x0411), kLanguageJapanese);
  EXPECT_EQ(LanguageFromLcid(0x0804), kLanguageChinese);
  EXPECT_EQ(LanguageFromLcid(0x0404), kLanguageOther);  // Taiwan
  EXPECT_EQ(LanguageFromLcid(0x0C04), kLanguageOther);  // Hong Kong
  EXPECT_EQ(LanguageFromLcid(0x1004), kLanguageOther);  // Singapore
  EXPECT_EQ(LanguageFromLcid(0x0407), kLanguageOther);  // German
}

TEST(StartUpLanguage, SystemLocalesMapToTheirWindowsIdentifiers) {
  auto language = [](const char* name) { return LanguageFromLcid(LcidFromLocale(QLocale(name))); };
  EXPECT_EQ(LcidFromLocale(QLocale("en_GB")), 0x0809u);
  EXPECT_EQ(language("en_US"), kLanguageEnglish);
  EXPECT_EQ(language("ja_JP"), kLanguageJapanese);
  EXPECT_EQ(language("zh_CN"), kLanguageChinese);
  EXPECT_EQ(language("zh_TW"), kLanguageOther);
  EXPECT_EQ(language("zh_HK"), kLanguageOther);
  EXPECT_EQ(language("zh_SG"), kLanguageOther);
  EXPECT_EQ(language("de_DE"), kLanguageOther);
  EXPECT_EQ(LanguageFromLcid(LcidFromLocale(QLocale::c())), kLanguageEnglish);
}

TEST(StartUpLanguage, TextsComeInTheChosenLanguageAndEnglishOtherwise) {
  RecordingBoxes boxes;
  auto alreadyRunning = [&](uint32_t lcid) {
    CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(), AppEnvironment{lcid, {}, &boxes});
    app.PrepareInstance();
    return app.LoadText(kTextAlreadyRunning);
  };
  EXPECT_EQ(alreadyRunning(0x0409), QStringLiteral("Tarvik Configurator is already running."));
  EXPECT_EQ(alreadyRunning(0x0411), QStringLiteral("Tarvik Configurator は既に起動しています。"));
  EXPECT_EQ(alreadyRunning(0x0804), QStringLiteral("Tarvik Configurator 已经运行。"));
  EXPECT_EQ(alreadyRunning(0x0407), alreadyRunning(0x0409));
  EXPECT_EQ(LoadResourceString(kChineseTextOffset + kTextOrHigher),
            QStringLiteral("或更高版本。"));  // no leading space
  EXPECT_EQ(LoadResourceString(kJapaneseTextOffset + kTextOrHigher),
            QStringLiteral(" 以上に更新してください。"));
  constexpr int kNoSuchText = kTextOk + 1;
  EXPECT_TRUE(LoadResourceString(kNoSuchText).isEmpty());
}

TEST(StartUpVersionText, ParsesBothFormsAndRejectsTheRest) {
  EXPECT_EQ(ParseFirmwareVersion("2.00"), 0x02000000u);
  EXPECT_EQ(ParseFirmwareVersion("1.10"), 0x01010000u);
  EXPECT_EQ(ParseFirmwareVersion("9.99"), 0x09090900u);
  EXPECT_EQ(ParseFirmwareVersion("2.08"), 0x02000800u);
  EXPECT_EQ(ParseFirmwareVersion("200A"), 0x02000041u);
  EXPECT_EQ(ParseFirmwareVersion("200a"), 0x02000061u);
  for (const char* bad : {"2.0a", "2..0", "A.00", "2000", "20A0", "2.000", "2.0", "",
                          "2\xB7"
                          "00",
                          "2.0\xB9"})
    EXPECT_EQ(ParseFirmwareVersion(bad), 0u) << bad;
  EXPECT_EQ(ParseFirmwareVersion(nullptr), 0u);
}

TEST(StartUpVersionText, AcceptsFirmwareFromTwoPointZeroZero) {
  for (const char* ok : {"2.00", "2.10", "200A", "9.99"})
    EXPECT_TRUE(FirmwareAccepted(ok, false)) << ok;
  for (const char* refused : {"1.99", "200a", "199Z", "2.0a", "2-00", "20", "", "2.000", "1.90"})
    EXPECT_FALSE(FirmwareAccepted(refused, false)) << refused;
  for (const char* any : {"1.99", "200a", "", "2.000", "xx"})
    EXPECT_TRUE(FirmwareAccepted(any, true)) << any;
  EXPECT_FALSE(FirmwareAccepted(nullptr, false));
}

using SingleInstance = testing::InTemporaryDirectory;

// A place the lock cannot be made in: a directory that does not exist, or a
// mutex name in a namespace that does not exist.
std::string UnusablePlace(const std::string& directory) {
#ifdef _WIN32
  return "No-Such-Namespace\\" + directory;
#else
  return directory + "/missing";
#endif
}

TEST_F(SingleInstance, SecondHolderIsRefusedUntilTheFirstReleases) {
  SingleInstanceLock first, second;
  ASSERT_EQ(first.Acquire(directory), SingleInstanceLock::Result::kAcquired);
  EXPECT_EQ(second.Acquire(directory), SingleInstanceLock::Result::kAlreadyHeld);
  first.Release();
  EXPECT_EQ(second.Acquire(directory), SingleInstanceLock::Result::kAcquired);
}

TEST_F(SingleInstance, RunsWithoutALockWhenItCannotMakeOne) {
  SingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(""), SingleInstanceLock::Result::kUnavailable);
  EXPECT_EQ(lock.Acquire(UnusablePlace(directory)), SingleInstanceLock::Result::kUnavailable);

  // A copy that cannot make the lock still runs its window.
  RecordingBoxes boxes;
  CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(),
                              AppEnvironment{0x0409, UnusablePlace(directory), &boxes});
  bool windowShown = false;
  QTimer::singleShot(0, [&] {
    windowShown = app.MainWindow() != nullptr;
    if (app.MainWindow()) app.MainWindow()->close();
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(windowShown);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SingleInstance, SecondCopyShowsTheBoxAndEndsWithCodeTwo) {
  SingleInstanceLock first;
  ASSERT_EQ(first.Acquire(directory), SingleInstanceLock::Result::kAcquired);
  RecordingBoxes boxes;
  {
    CTarvik_ConfiguratorApp second(sim::DefaultSimBackend(),
                                   AppEnvironment{0x0411, directory, &boxes});
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(second.ExitCode(), 2);
    EXPECT_EQ(second.MainWindow(), nullptr);
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(boxes.shown[0].owned);
  EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Tarvik Configurator"));
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Tarvik Configurator は既に起動しています。"));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kInformation);

  // Once the first copy has ended, a new one starts its window.
  first.Release();
  CTarvik_ConfiguratorApp third(sim::DefaultSimBackend(),
                                AppEnvironment{0x0409, directory, &boxes});
  bool windowShown = false;
  QTimer::singleShot(0, [&] {
    windowShown = third.MainWindow() != nullptr && third.MainWindow()->isVisible();
    third.MainWindow()->close();
  });
  third.InitInstance();
  EXPECT_TRUE(windowShown);
  EXPECT_EQ(third.ExitCode(), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace tarvik
