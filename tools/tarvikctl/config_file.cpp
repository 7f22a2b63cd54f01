#include "config_file.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <random>

#include "exit_codes.h"
#include "input_file.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

namespace fs = std::filesystem;

int TooLarge(Context& context, const std::string& path, std::size_t limit) {
  return Fail(context, kExitDataErr,
              Printable(path) + " is larger than " + std::to_string(limit) +
                  " bytes, more than any settings file holds");
}

// A name beside `target` that no file has yet.
fs::path TemporaryBeside(const fs::path& target) {
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    fs::path name(".");
    name += target.filename();
    name += ".tmp" + std::to_string(random());
    const fs::path temporary = target.parent_path() / name;
    std::error_code error;
    if (!fs::exists(temporary, error) || attempt >= 100) return temporary;
  }
}

}  // namespace

int ReadBoundedFile(Context& context, const std::string& path, std::size_t limit,
                    std::string* text) {
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
  const fs::path target = PathFromUtf8(path);
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  // A device node or a pipe would be replaced by a plain file, not written.
  if (target.empty() || (fs::exists(status) && !fs::is_regular_file(status)))
    return Fail(context, kExitCannotWrite, "cannot write " + Printable(path) + ": not a file");
  const fs::path temporary = TemporaryBeside(target);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out)
    return Fail(context, kExitCannotWrite, "cannot create a file beside " + Printable(path));
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  // A full disk shows only when the buffered bytes reach it, at the close.
  if (out.fail()) {
    fs::remove(temporary, error);
    return Fail(context, kExitCannotWrite, "cannot write " + Printable(path));
  }
  // A file that is replaced keeps who may read it.
  error.clear();
  if (fs::exists(status)) fs::permissions(temporary, status.permissions(), error);
  if (!error) fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Fail(context, kExitCannotWrite,
                "cannot write " + Printable(path) + ": " + error.message());
  }
  return kExitOk;
}

}  // namespace tarvik::ctl
