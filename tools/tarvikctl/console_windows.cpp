#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>

#include "console.h"

namespace tarvik::ctl {
namespace {

UINT g_previousOutputCodePage = 0;

void RestoreOutputCodePage() { SetConsoleOutputCP(g_previousOutputCodePage); }

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the terminating zero
  return out;
}

}  // namespace

// The narrow argv holds the arguments in the ANSI code page, which cannot
// carry every file name: they are taken from the wide command line instead.
// Windows pipes never raise a signal, so a vanished reader already shows as
// a failed write.
Console PrepareConsole(int, char**) {
  Console console;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) console.args.push_back(Utf8(wide[i]));
    LocalFree(wide);
  }
  // The console shows what tarvikctl writes as UTF-8; its own code page is
  // put back at exit, since it outlives the process.
  if (const UINT previous = GetConsoleOutputCP(); previous != 0 && previous != CP_UTF8) {
    g_previousOutputCodePage = previous;
    if (SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreOutputCodePage);
  }
  DWORD mode = 0;
  console.errorIsTerminal = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
  return console;
}

}  // namespace tarvik::ctl
