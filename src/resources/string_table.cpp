#include "resources/string_table.h"

#include <iterator>

#include "resources/resource_ids.h"

namespace tarvik {
namespace {

struct StringEntry {
  int id;
  const char* utf8;
};

constexpr StringEntry kStrings[] = {
    {kTextAboutMenuEntry, "&About Tarvik Configurator"},
    {kTextAboutCaption, "About Tarvik Configurator"},
    {kTextOk, "OK"},
    {kTextAlreadyRunning, "Tarvik Configurator is already running."},
    {kTextUpdateFirmware, "Update Tarvik firmware to Ver."},
    {kTextOrHigher, " or higher."},
    {kTextCannotCommunicate, "Cannot communicate with Tarvik."},
    {kTextCurrentVersion, "Current version"},
    {kTextRestartQuestion,
     "Tarvik will restart if you change this setting.\nAre you sure you want to continue?"},

    {kJapaneseTextOffset + kTextAboutMenuEntry, "Tarvik Configuratorについて(&A)"},
    {kJapaneseTextOffset + kTextAboutCaption, "Tarvik Configuratorについて"},
    {kJapaneseTextOffset + kTextOk, "OK"},
    {kJapaneseTextOffset + kTextAlreadyRunning, "Tarvik Configurator は既に起動しています。"},
    {kJapaneseTextOffset + kTextUpdateFirmware, "Tarvikのファームウェアを Ver."},
    {kJapaneseTextOffset + kTextOrHigher, " 以上に更新してください。"},
    {kJapaneseTextOffset + kTextCannotCommunicate, "Tarvikと通信ができません。"},
    {kJapaneseTextOffset + kTextCurrentVersion, "現在のバージョン"},
    {kJapaneseTextOffset + kTextRestartQuestion,
     "この設定を変更するとTarvikは再起動します。\n続行しますか？"},

    {kChineseTextOffset + kTextAboutMenuEntry, "关于 Tarvik Configurator(&A)"},
    {kChineseTextOffset + kTextAboutCaption, "关于 Tarvik Configurator"},
    {kChineseTextOffset + kTextOk, "确定"},
    {kChineseTextOffset + kTextAlreadyRunning, "Tarvik Configurator 已经运行。"},
    {kChineseTextOffset + kTextUpdateFirmware, "将 Tarvik 固件更新至Ver."},
    {kChineseTextOffset + kTextOrHigher, "或更高版本。"},
    {kChineseTextOffset + kTextCannotCommunicate, "不能与 Tarvik 进行通信。"},
    {kChineseTextOffset + kTextCurrentVersion, "当前版本"},
    {kChineseTextOffset + kTextRestartQuestion,
     "如果变更此设置Tarvik会重新启动。\n需要继续本操作吗？"},
};

}  // namespace

QString LoadResourceString(int id) {
  for (const StringEntry& entry : kStrings)
    if (entry.id == id) return QString::fromUtf8(entry.utf8);
  return {};
}

}  // namespace tarvik
