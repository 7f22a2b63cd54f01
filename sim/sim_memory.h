// The memory behind the block commands: sparse bytes per (command, target),
// kept in pages allocated on first write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <tuple>
#include <vector>

namespace tarvik::sim {

class BlockMemory {
 public:
  static constexpr std::size_t kPageSize = 4096;
  static constexpr std::size_t kDefaultLimit = std::size_t{16} << 20;

  explicit BlockMemory(std::size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

  // False, with nothing written, when the range runs past the 32-bit address
  // space or its new pages would take the stored bytes past the limit.
  bool Write(uint16_t command, uint8_t target, uint32_t address, std::span<const uint8_t> bytes);
  // Bytes never written read as 0. False when the range runs past the
  // 32-bit address space.
  bool Read(uint16_t command, uint8_t target, uint32_t address, std::span<uint8_t> out) const;
  std::size_t StoredBytes() const { return pages_.size() * kPageSize; }

 private:
  using PageKey = std::tuple<uint16_t, uint8_t, uint32_t>;  // command, target, page number
  std::map<PageKey, std::vector<uint8_t>> pages_;
  std::size_t limit_;
};

}  // namespace tarvik::sim
