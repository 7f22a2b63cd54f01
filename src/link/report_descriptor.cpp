#include "link/report_descriptor.h"

#include <algorithm>
#include <array>

namespace tarvik {

namespace {

constexpr int kMaxGlobalStackDepth = 16;
constexpr uint64_t kMaxReportBits = kMaxDescribedReportSize * 8;
constexpr std::size_t kReportIdCount = 256;

// Short-item prefixes with their data-size bits cleared.
constexpr uint8_t kInput = 0x80;
constexpr uint8_t kOutput = 0x90;
constexpr uint8_t kFeature = 0xB0;
constexpr uint8_t kReportSize = 0x74;
constexpr uint8_t kReportId = 0x84;
constexpr uint8_t kReportCount = 0x94;
constexpr uint8_t kPush = 0xA4;
constexpr uint8_t kPop = 0xB4;
// A long item: [0xFE][data size][tag][data].
constexpr uint8_t kLongItem = 0xFE;
constexpr std::size_t kLongItemHeaderSize = 3;

// The global items that shape report lengths; Push and Pop save and restore them.
struct GlobalState {
  uint64_t reportSize = 0;
  uint64_t reportCount = 0;
  uint32_t reportId = 0;
};

using BitsPerReport = std::array<uint64_t, kReportIdCount>;

uint32_t LittleEndian(std::span<const uint8_t> bytes) {
  uint32_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

// Adds one main item's bits to its report; false once the report outgrows the limit.
bool AddBits(BitsPerReport& bits, const GlobalState& state) {
  const uint64_t itemBits = state.reportSize * state.reportCount;  // each factor < 2^32
  uint64_t& total = bits[state.reportId];
  if (itemBits > kMaxReportBits - total) return false;
  total += itemBits;
  return true;
}

// The widest report in bytes plus its ID byte; 0 when no report has bits.
int ReportLength(const BitsPerReport& bits) {
  const uint64_t widest = *std::max_element(bits.begin(), bits.end());
  if (widest == 0) return 0;
  return static_cast<int>((widest + 7) / 8 + 1);
}

}  // namespace

void OutputReportTally::Declare(uint8_t id) {
  if (std::find(declared.begin(), declared.end(), id) == declared.end()) declared.push_back(id);
}

uint8_t OutputReportTally::LongestId() const {
  if (declared.empty()) return 0;
  uint8_t longest = declared.front();
  for (const uint8_t id : declared)
    if (bits[id] > bits[longest]) longest = id;
  return longest;
}

bool ParseReportLengths(std::span<const uint8_t> descriptor, HidReportLengths* out,
                        bool* numbered) {
  if (out == nullptr || descriptor.empty() || descriptor.size() > kMaxReportDescriptorSize)
    return false;

  BitsPerReport inputBits{};
  OutputReportTally outputs;
  BitsPerReport featureBits{};
  GlobalState state;
  std::array<GlobalState, kMaxGlobalStackDepth> stack;
  int depth = 0;
  bool hasReportIds = false;

  std::size_t pos = 0;
  while (pos < descriptor.size()) {
    const std::size_t left = descriptor.size() - pos;
    const uint8_t prefix = descriptor[pos];
    if (prefix == kLongItem) {
      // Long items carry nothing about report lengths.
      if (left < kLongItemHeaderSize) return false;
      const std::size_t itemSize = kLongItemHeaderSize + descriptor[pos + 1];
      if (left < itemSize) return false;
      pos += itemSize;
      continue;
    }
    static constexpr std::size_t kDataSizes[4] = {0, 1, 2, 4};
    const std::size_t dataSize = kDataSizes[prefix & 0x03];
    if (left - 1 < dataSize) return false;
    const uint32_t value = LittleEndian(descriptor.subspan(pos + 1, dataSize));
    pos += 1 + dataSize;

    switch (prefix & 0xFC) {
      case kReportSize:
        state.reportSize = value;
        break;
      case kReportCount:
        state.reportCount = value;
        break;
      case kReportId:
        if (value == 0 || value >= kReportIdCount) return false;
        state.reportId = value;
        hasReportIds = true;
        break;
      case kPush:
        if (depth == kMaxGlobalStackDepth) return false;
        stack[depth++] = state;
        break;
      case kPop:
        if (depth == 0) return false;
        state = stack[--depth];
        break;
      case kInput:
        if (!AddBits(inputBits, state)) return false;
        break;
      case kOutput:
        outputs.Declare(static_cast<uint8_t>(state.reportId));
        if (!AddBits(outputs.bits, state)) return false;
        break;
      case kFeature:
        // Feature reports have no length here but must be sane all the same.
        if (!AddBits(featureBits, state)) return false;
        break;
      default:
        break;  // usages, collections, logical ranges and the like
    }
  }

  out->input = ReportLength(inputBits);
  out->output = ReportLength(outputs.bits);
  out->outputReportId = outputs.LongestId();
  if (numbered != nullptr) *numbered = hasReportIds;
  return true;
}

}  // namespace tarvik
