// The file a document is written to before it is renamed over its target:
// beside the target under a short hidden name, so that any name the target
// may have leaves room for it, and never left behind, neither when the
// write fails nor when a signal ends the program during it.
#pragma once

#include <filesystem>
#include <system_error>

#include "stop_request.h"

namespace tarvik::ctl {

class TemporaryFile {
 public:
  // Chooses a name in `target`'s folder that no file has yet and, for the
  // object's lifetime, removes that file should a signal end the program.
  explicit TemporaryFile(const std::filesystem::path& target);
  // Removes the file unless it was renamed over the target.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Renames the file over `target`; false, with `error` set, when it cannot.
  bool MoveOver(const std::filesystem::path& target, std::error_code& error);

 private:
  std::filesystem::path path_;
  RemoveOnSignal removal_{path_};
  bool moved_ = false;
};

}  // namespace tarvik::ctl
