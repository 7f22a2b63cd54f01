#include "device_names.h"

#include "value_text.h"

namespace tarvik::ctl {

bool IsWindowsDeviceName(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\:");
  std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
  // Windows drops the extension and the spaces before it: "nul .txt" is NUL.
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (SameWord(name, device)) return true;
  if (name.size() < 4 ||
      !(SameWord(name.substr(0, 3), "COM") || SameWord(name.substr(0, 3), "LPT")))
    return false;
  const std::string_view number = name.substr(3);
  // The digits 1 to 9, and the superscripts ¹ ² ³ Windows also takes.
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

int RefuseDeviceName([[maybe_unused]] Context& context, [[maybe_unused]] const std::string& path,
                     [[maybe_unused]] int code) {
#ifdef _WIN32
  if (IsWindowsDeviceName(path))
    return Fail(
        context, code,
        Printable(path) + " is the name of a Windows device, not of a file; choose another");
#endif
  return kExitOk;
}

}  // namespace tarvik::ctl
