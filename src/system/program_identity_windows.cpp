#include "system/program_identity.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace tarvik {
namespace {

// The running executable's path, or empty.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};  // no path is that long
    path.resize(path.size() * 2);
  }
}

// The value VerQueryValueW finds at `path` in `info`, whose length it gives
// in `unit`-byte units, cut to what is left of `info` after its start.
// Empty when there is none.
std::span<const BYTE> Query(std::vector<BYTE>& info, const std::wstring& path, size_t unit) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || value == nullptr) return {};
  const auto begin = reinterpret_cast<std::uintptr_t>(info.data());
  const auto at = reinterpret_cast<std::uintptr_t>(value);
  if (at < begin || at >= begin + info.size()) return {};
  const size_t room = begin + info.size() - at;
  const size_t bytes = static_cast<size_t>(length) * unit;
  return {static_cast<const BYTE*>(value), bytes < room ? bytes : room};
}

std::wstring ProductNamePath(WORD language, WORD codePage) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring path = L"\\StringFileInfo\\";
  for (const WORD word : {language, codePage})
    for (int shift = 12; shift >= 0; shift -= 4) path += kHex[(word >> shift) & 0xF];
  return path + L"\\ProductName";
}

// `text` up to its first zero and at most kProductNameMaxUnits long, never
// ending inside a surrogate pair, as UTF-8.
std::string ProductNameUtf8(std::wstring_view text) {
  text = text.substr(0, text.find(L'\0'));
  if (text.size() > kProductNameMaxUnits) text = text.substr(0, kProductNameMaxUnits);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.remove_suffix(1);
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace

ProgramIdentity ReadProgramIdentity() {
  ProgramIdentity identity;
  const std::wstring path = ModulePath();
  if (path.empty()) return identity;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return identity;
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return identity;

  // The first translation's (language, code page) names the string block.
  const std::span<const BYTE> translation = Query(info, L"\\VarFileInfo\\Translation", 1);
  if (translation.size() >= 2 * sizeof(WORD)) {
    WORD language = 0, codePage = 0;
    std::memcpy(&language, translation.data(), sizeof language);
    std::memcpy(&codePage, translation.data() + sizeof language, sizeof codePage);
    const std::span<const BYTE> name =
        Query(info, ProductNamePath(language, codePage), sizeof(wchar_t));
    identity.productName = ProductNameUtf8(
        {reinterpret_cast<const wchar_t*>(name.data()), name.size() / sizeof(wchar_t)});
  }

  const std::span<const BYTE> fixed = Query(info, L"\\", 1);
  if (fixed.size() >= sizeof(VS_FIXEDFILEINFO)) {
    VS_FIXEDFILEINFO version;
    std::memcpy(&version, fixed.data(), sizeof version);
    if (version.dwSignature == VS_FFI_SIGNATURE) {
      identity.versionMajor = HIWORD(version.dwProductVersionMS);
      identity.versionMinor = LOWORD(version.dwProductVersionMS);
      identity.versionBuild = HIWORD(version.dwProductVersionLS);
    }
  }
  return identity;
}

}  // namespace tarvik
