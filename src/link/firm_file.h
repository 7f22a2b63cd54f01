// A firmware package or section image, recognised, checked and kept as a copy
// with its checksum. Every offset read is checked against the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvik {

class CFirmFile {
 public:
  static constexpr int kNoImage = -1;
  static constexpr int kPackage = 256;
  // Load results besides 0.
  static constexpr int kNotRecognised = -5;
  static constexpr int kSealBroken = -7;

  CFirmFile() = default;
  virtual ~CFirmFile() = default;

  // A package: "SIAM", version, "2000", payload length L, then L bytes.
  int LoadFirmwareImage(const uint8_t* bytes, std::size_t size);
  // One of the six section layouts, tried in their fixed order.
  int LoadSectionImage(const uint8_t* bytes, std::size_t size);

  const uint8_t* GetImage(uint32_t* size = nullptr, uint16_t* crc = nullptr) const;
  int GetType() const { return imageType_; }
  const uint8_t* ImageVersion() const { return imageVersion_; }
  void Release();

 private:
  void Keep(int type, const uint8_t* bytes, std::size_t size, const uint8_t version[4]);

  int imageType_ = kNoImage;
  std::vector<uint8_t> imageData_;
  uint16_t imageCrc_ = 0;
  uint8_t imageVersion_[10] = {};
};

}  // namespace tarvik
