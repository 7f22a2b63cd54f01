// The bus as one chosen Tarvik sees it: only that device's interfaces are
// listed, so every session, probe and reopen after a restart finds it and no
// other.
#pragma once

#include "device_list.h"

namespace tarvik::ctl {

class SelectedBackend : public HidBackend {
 public:
  SelectedBackend(HidBackend& inner, AttachedDevice device)
      : inner_(inner), device_(std::move(device)) {}

  // The interfaces at the device's topology path; where that is unknown, the
  // one interface it was listed as.
  std::vector<std::string> ListInterfaces() override;
  bool ReadIdentity(const std::string& id, HidIdentity* out) override {
    return inner_.ReadIdentity(id, out);
  }
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override {
    return inner_.ReadReportLengths(id, out);
  }
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override {
    return inner_.OpenInterface(id);
  }
  std::string TopologyPath(const std::string& id) override { return inner_.TopologyPath(id); }
  std::string NodePath(const std::string& id) override { return inner_.NodePath(id); }

  const AttachedDevice& Device() const { return device_; }

 private:
  HidBackend& inner_;
  AttachedDevice device_;
};

}  // namespace tarvik::ctl
