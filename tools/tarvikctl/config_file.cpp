#include "config_file.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "device_names.h"
#include "exit_codes.h"
#include "input_file.h"
#include "temporary_file.h"
#include "value_text.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tarvik::ctl {
namespace {

namespace fs = std::filesystem;

int TooLarge(Context& context, const std::string& path, std::size_t limit) {
  return Fail(context, kExitNoInput,
              Printable(path) + " is larger than " + std::to_string(limit) +
                  " bytes, more than any settings file holds");
}

// Whether this user may change the file at `target`: one without any write
// permission is read-only even to the administrator.
bool MayWrite([[maybe_unused]] const fs::path& target, const fs::file_status& status) {
  constexpr fs::perms kWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((status.permissions() & kWrite) == fs::perms::none) return false;
#ifdef _WIN32
  return true;
#else
  return access(target.c_str(), W_OK) == 0;
#endif
}

}  // namespace

int ReadBoundedFile(Context& context, const std::string& path, std::size_t limit,
                    std::string* text) {
  if (const int code = RefuseDeviceName(context, path, kExitNoInput)) return code;
  const fs::path file = PathFromUtf8(path);
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (fs::is_directory(status))
    return Fail(context, kExitNoInput, Printable(path) + " is a directory");
  if (fs::is_regular_file(status)) {
    const std::uintmax_t size = fs::file_size(file, error);
    if (!error && size > limit) return TooLarge(context, path, limit);
  }
  std::ifstream in(file, std::ios::binary);
  if (file.empty() || !in) return Fail(context, kExitNoInput, "cannot read " + Printable(path));
  // A pipe tells no size and a file may grow: the read stops past the limit.
  std::string read;
  std::array<char, 16 * 1024> chunk;
  while (read.size() <= limit) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    read.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return Fail(context, kExitNoInput, "cannot read " + Printable(path));
    if (in.eof()) break;
  }
  if (read.size() > limit) return TooLarge(context, path, limit);
  *text = std::move(read);
  return kExitOk;
}

int ReadDocument(Context& context, const std::string& file, ConfigDocument* document) {
  std::string text;
  if (const int code = ReadBoundedFile(context, file, kMaxConfigBytes, &text)) return code;
  std::string error;
  if (!ParseDocument(text, document, &error))
    return Fail(context, kExitDataErr, Printable(file) + ": " + error);
  return kExitOk;
}

int ReplaceFile(Context& context, const std::string& path, const std::string& text) {
  if (const int code = RefuseDeviceName(context, path, kExitCannotWrite)) return code;
  const fs::path target = PathFromUtf8(path);
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  const bool exists = fs::exists(status);
  // A device node or a pipe would be replaced by a plain file, not written.
  if (target.empty() || (exists && !fs::is_regular_file(status)))
    return Fail(context, kExitCannotWrite, "cannot write " + Printable(path) + ": not a file");
  // The rename needs only the folder's permission, not the file's.
  if (exists && !MayWrite(target, status))
    return Fail(context, kExitCannotWrite,
                "cannot write " + Printable(path) + ": this user may not change it");
  TemporaryFile temporary(target);
  std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
  if (!out)
    return Fail(context, kExitCannotWrite, "cannot create a file beside " + Printable(path));
  // The old file's permissions before any of the text is in the new one:
  // a file only its owner could read stays so.
  if (exists) {
    fs::permissions(temporary.path(), status.permissions(), error);
    if (error)
      return Fail(context, kExitCannotWrite,
                  "cannot give the new " + Printable(path) + " the old one's permissions");
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  // A full disk shows only when the buffered bytes reach it, at the close.
  if (out.fail()) return Fail(context, kExitCannotWrite, "cannot write " + Printable(path));
  if (!temporary.MoveOver(target, error))
    return Fail(context, kExitCannotWrite,
                "cannot write " + Printable(path) + ": " + error.message());
  return kExitOk;
}

}  // namespace tarvik::ctl
