#include "input_file.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "device_names.h"
#include "exit_codes.h"
#include "value_text.h"

namespace tarvik::ctl {

std::filesystem::path PathFromUtf8(const std::string& path) {
  // Windows converts to UTF-16 and refuses bytes that are not UTF-8; such a
  // name cannot be a Windows file name, so it names no file at all.
  try {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
}

int ReadInputFile(Context& context, const std::string& path, std::size_t limit,
                  const std::string& what, std::vector<uint8_t>* bytes) {
  if (const int code = RefuseDeviceName(context, path, kExitNoInput)) return code;
  std::error_code error;
  const std::filesystem::path file = PathFromUtf8(path);
  if (std::filesystem::is_directory(file, error))
    return Fail(context, kExitNoInput, Printable(path) + " is a directory");
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(context, kExitNoInput, "cannot read " + Printable(path));
  bytes->clear();
  std::array<char, 64 * 1024> chunk;
  // Neither the size the file claims nor its kind bounds the read: a pipe
  // tells no size and a file may grow while it is read.
  while (bytes->size() <= limit) {
    const std::size_t want = std::min(chunk.size(), limit + 1 - bytes->size());
    in.read(chunk.data(), static_cast<std::streamsize>(want));
    const std::streamsize got = in.gcount();
    bytes->insert(bytes->end(), chunk.data(), chunk.data() + got);
    if (in.bad()) return Fail(context, kExitNoInput, "cannot read " + Printable(path));
    if (in.eof()) break;
  }
  if (bytes->size() > limit) {
    bytes->clear();
    return Fail(context, kExitNoInput,
                Printable(path) + " is larger than " + std::to_string(limit) + " bytes, the most " +
                    what + " can hold");
  }
  return kExitOk;
}

int WriteOutputFile(Context& context, const std::string& path, const uint8_t* bytes,
                    std::size_t size) {
  if (const int code = RefuseDeviceName(context, path, kExitCannotWrite)) return code;
  std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  if (!file) return Fail(context, kExitCannotWrite, "cannot create " + Printable(path));
  file.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  file.close();
  // A full disk shows only when the buffered bytes reach it, at the close.
  if (file.fail()) return Fail(context, kExitCannotWrite, "cannot write " + Printable(path));
  return kExitOk;
}

}  // namespace tarvik::ctl
