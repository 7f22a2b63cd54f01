// A firmware package or section image, recognised, checked and kept as a copy
// with its checksum. Every offset read is checked against the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvik {

class CFirmFile {
 public:
  enum class LoadResult { Loaded, NotRecognised, SealBroken };

  static constexpr int kNoImage = -1;
  // Section image layouts, numbered in the order they are tried.
  static constexpr int kLayoutTipa = 0;
  static constexpr int kLayoutUamc = 1;
  static constexpr int kLayoutFwup = 2;
  static constexpr int kLayoutFqi = 3;
  static constexpr int kLayoutAgpf2 = 4;
  static constexpr int kLayoutAgpf3 = 5;
  static constexpr int kLayoutCount = 6;
  static constexpr int kPackage = 256;

  CFirmFile() = default;
  virtual ~CFirmFile() = default;

  // A package: "SIAM", version, "2000", payload length L, then L bytes.
  LoadResult LoadFirmwareImage(const uint8_t* bytes, std::size_t size);
  // One of the six section layouts, tried in their fixed order.
  LoadResult LoadSectionImage(const uint8_t* bytes, std::size_t size);

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
