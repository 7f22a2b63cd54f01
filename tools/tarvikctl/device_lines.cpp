#include "device_lines.h"

namespace tarvik::ctl {
namespace {

constexpr std::string_view kProgram = "tarvikctl: ";

}  // namespace

DeviceLines::DeviceLines(std::ostream& shared, std::mutex& mutex, std::string device)
    : shared_(shared), mutex_(mutex), device_(std::move(device)) {}

DeviceLines::~DeviceLines() {
  if (!pending_.empty()) {
    pending_ += '\n';
    Emit();
  }
}

DeviceLines::int_type DeviceLines::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (c == '\n') Emit();
  return c;
}

int DeviceLines::sync() {
  if (!pending_.empty()) Emit();
  return 0;
}

// "tarvikctl: message" becomes "tarvikctl: DEVICE: message", and any other
// line gets the same beginning.
void DeviceLines::Emit() {
  std::string text;
  if (!midLine_) {
    text = std::string(kProgram) + device_ + ": ";
    text += pending_.starts_with(kProgram) ? pending_.substr(kProgram.size()) : pending_;
  } else {
    text = pending_;
  }
  midLine_ = !pending_.ends_with('\n');
  pending_.clear();
  std::lock_guard<std::mutex> guard(mutex_);
  shared_ << text << std::flush;
}

}  // namespace tarvik::ctl
