#include "temporary_file.h"

#include <random>

namespace tarvik::ctl {
namespace {

namespace fs = std::filesystem;

constexpr int kNameLetters = 8;

fs::path UnusedNameBeside(const fs::path& target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0;; ++attempt) {
    std::string name = ".";
    for (int i = 0; i < kNameLetters; ++i) name += kLetters[pick(random)];
    const fs::path candidate = target.parent_path() / name;
    std::error_code error;
    if (!fs::exists(candidate, error) || attempt >= 100) return candidate;
  }
}

}  // namespace

TemporaryFile::TemporaryFile(const fs::path& target) : path_(UnusedNameBeside(target)) {}

TemporaryFile::~TemporaryFile() {
  if (moved_) return;
  std::error_code ignored;
  fs::remove(path_, ignored);
}

bool TemporaryFile::MoveOver(const fs::path& target, std::error_code& error) {
  fs::rename(path_, target, error);
  moved_ = !error;
  return moved_;
}

}  // namespace tarvik::ctl
