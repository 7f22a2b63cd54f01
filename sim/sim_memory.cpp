#include "sim/sim_memory.h"

#include <algorithm>

namespace tarvik::sim {

namespace {

constexpr uint64_t kAddressSpace = uint64_t{1} << 32;

bool Fits(uint32_t address, std::size_t count) {
  return address + uint64_t{count} <= kAddressSpace;
}

uint32_t PageOf(uint64_t address) {
  return static_cast<uint32_t>(address / BlockMemory::kPageSize);
}

}  // namespace

bool BlockMemory::Write(uint16_t command, uint8_t target, uint32_t address,
                        std::span<const uint8_t> bytes) {
  if (!Fits(address, bytes.size())) return false;
  if (bytes.empty()) return true;
  const uint32_t firstPage = PageOf(address);
  const uint32_t lastPage = PageOf(address + uint64_t{bytes.size()} - 1);
  std::size_t added = 0;
  for (uint64_t page = firstPage; page <= lastPage; ++page)
    if (!pages_.contains({command, target, static_cast<uint32_t>(page)})) ++added;
  if ((pages_.size() + added) * kPageSize > limit_) return false;

  std::size_t done = 0;
  while (done < bytes.size()) {
    const uint64_t at = address + uint64_t{done};
    const std::size_t offset = at % kPageSize;
    const std::size_t chunk = std::min(kPageSize - offset, bytes.size() - done);
    std::vector<uint8_t>& page = pages_[{command, target, PageOf(at)}];
    page.resize(kPageSize, 0);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), chunk,
                page.begin() + static_cast<std::ptrdiff_t>(offset));
    done += chunk;
  }
  return true;
}

bool BlockMemory::Read(uint16_t command, uint8_t target, uint32_t address,
                       std::span<uint8_t> out) const {
  if (!Fits(address, out.size())) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    const uint64_t at = address + uint64_t{done};
    const std::size_t offset = at % kPageSize;
    const std::size_t chunk = std::min(kPageSize - offset, out.size() - done);
    const auto dest = out.begin() + static_cast<std::ptrdiff_t>(done);
    auto it = pages_.find({command, target, PageOf(at)});
    if (it == pages_.end())
      std::fill_n(dest, chunk, 0);
    else
      std::copy_n(it->second.begin() + static_cast<std::ptrdiff_t>(offset), chunk, dest);
    done += chunk;
  }
  return true;
}

}  // namespace tarvik::sim
