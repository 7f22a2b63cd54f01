// Under --all, what one device's command writes to the error stream: each
// line goes out whole and names the device, between the lines of the others.
#pragma once

#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

namespace tarvik::ctl {

class DeviceLines : public std::streambuf {
 public:
  // Lines go to `shared` under `mutex`, which every writer to it takes.
  DeviceLines(std::ostream& shared, std::mutex& mutex, std::string device);
  ~DeviceLines() override;

 protected:
  int_type overflow(int_type c) override;
  // A flush, as before a question, writes out the part of a line there is.
  int sync() override;

 private:
  void Emit();

  std::ostream& shared_;
  std::mutex& mutex_;
  const std::string device_;
  std::string pending_;
  bool midLine_ = false;  // part of the line went out already, with its name
};

}  // namespace tarvik::ctl
