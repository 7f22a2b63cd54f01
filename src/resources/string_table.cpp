#include "resources/string_table.h"

#include <iterator>

namespace tarvik {
namespace {

struct StringEntry {
  int id;
  const char* utf8;
};

constexpr StringEntry kStrings[] = {
    {101, "&About Tarvik Configurator"},
    {102, "About Tarvik Configurator"},
    {104, "OK"},
    {108, "Tarvik Configurator is already running."},
    {109, "Update Tarvik firmware to Ver."},
    {110, " or higher."},
    {111, "Cannot communicate with Tarvik."},
    {112, "Current version"},
    {113, "Tarvik will restart if you change this setting.\nAre you sure you want to continue?"},

    {10101, "Tarvik Configuratorについて(&A)"},
    {10102, "Tarvik Configuratorについて"},
    {10104, "OK"},
    {10108, "Tarvik Configurator は既に起動しています。"},
    {10109, "Tarvikのファームウェアを Ver."},
    {10110, " 以上に更新してください。"},
    {10111, "Tarvikと通信ができません。"},
    {10112, "現在のバージョン"},
    {10113, "この設定を変更するとTarvikは再起動します。\n続行しますか？"},

    {20101, "关于 Tarvik Configurator(&A)"},
    {20102, "关于 Tarvik Configurator"},
    {20104, "确定"},
    {20108, "Tarvik Configurator 已经运行。"},
    {20109, "将 Tarvik 固件更新至Ver."},
    {20110, "或更高版本。"},
    {20111, "不能与 Tarvik 进行通信。"},
    {20112, "当前版本"},
    {20113, "如果变更此设置Tarvik会重新启动。\n需要继续本操作吗？"},
};

}  // namespace

QString LoadResourceString(int id) {
  for (const StringEntry& entry : kStrings)
    if (entry.id == id) return QString::fromUtf8(entry.utf8);
  return {};
}

}  // namespace tarvik
