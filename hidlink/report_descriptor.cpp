#include "hidlink/report_descriptor.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace ql::hidlink {
namespace {

// Item types and tags (HID 1.11, 6.2.2.4 to 6.2.2.8).
enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };
enum MainTag : std::uint8_t {
  kInput = 0x8,
  kOutput = 0x9,
  kCollection = 0xA,
  kFeature = 0xB,
  kEndCollection = 0xC
};
enum GlobalTag : std::uint8_t {
  kUsagePage = 0x0,
  kReportSize = 0x7,
  kReportId = 0x8,
  kReportCount = 0x9,
  kPush = 0xA,
  kPop = 0xB
};
enum LocalTag : std::uint8_t { kUsage = 0x0, kUsageMinimum = 0x1, kUsageMaximum = 0x2 };
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint32_t kConstantFlag = 0x01;
constexpr std::uint32_t kVariableFlag = 0x02;

// Deeper Push nesting than any real device uses; further Pushes are only
// counted, so that their Pops stay paired.
constexpr std::size_t kMaxGlobalStack = 64;

enum Kind : std::size_t { kInputKind, kOutputKind, kFeatureKind, kKinds };

struct GlobalState {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

// Only what the counts need: usages are not kept, just how many caps entries
// and data indices they make.
struct LocalState {
  std::uint64_t entries = 0;  // single usages and usage ranges
  std::uint64_t indices = 0;  // usages covered, ranges counted in full
  std::optional<std::uint32_t> firstUsage;
  bool firstUsageExtended = false;  // four-byte usage carrying its own page
  std::optional<std::uint32_t> minimum, maximum;

  void AddUsage(std::uint32_t usage, bool extended) {
    if (!firstUsage) {
      firstUsage = usage;
      firstUsageExtended = extended;
    }
    ++entries;
    ++indices;
  }
  void CloseRangeIfComplete() {
    if (!minimum || !maximum) return;
    if (!firstUsage) firstUsage = *minimum;
    ++entries;
    indices += *maximum >= *minimum ? std::uint64_t{*maximum} - *minimum + 1 : 1;
    minimum.reset();
    maximum.reset();
  }
  // A lone minimum or maximum stands for one usage.
  void CloseDanglingBound() {
    if (minimum || maximum) {
      if (!firstUsage) firstUsage = minimum ? *minimum : *maximum;
      ++entries;
      ++indices;
    }
    minimum.reset();
    maximum.reset();
  }
  void SetBound(std::optional<std::uint32_t>& bound, std::uint32_t value) {
    if (bound) CloseDanglingBound();  // a second minimum before any maximum
    bound = value;
    CloseRangeIfComplete();
  }
};

std::uint16_t Clamp16(std::uint64_t value) {
  return static_cast<std::uint16_t>(std::min<std::uint64_t>(value, 0xFFFF));
}

class Parser {
 public:
  DescriptorSummary Run(std::span<const std::uint8_t> bytes);

 private:
  void Global(std::uint8_t tag, std::uint32_t data);
  void Local(std::uint8_t tag, std::uint32_t data, std::size_t size);
  void Main(std::uint8_t tag, std::uint32_t data);
  void Report(Kind kind, std::uint32_t flags);
  void Collection();

  GlobalState global_;
  std::vector<GlobalState> stack_;
  std::uint64_t overflowPushes_ = 0;
  LocalState local_;
  int depth_ = 0;
  bool seenTopLevel_ = false;
  bool numbered_ = false;
  // Bits per report, by report ID and kind (IDs beyond one byte are kept
  // apart, not folded).
  std::map<std::uint32_t, std::array<std::uint64_t, kKinds>> reportBits_;
  std::array<std::uint64_t, kKinds> buttonCaps_{}, valueCaps_{}, dataIndices_{};
  std::uint64_t collections_ = 0;
  std::bitset<256> outputIds_;
  Caps caps_;
};

DescriptorSummary Parser::Run(std::span<const std::uint8_t> bytes) {
  DescriptorSummary summary;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::uint8_t prefix = bytes[at];
    if (prefix == kLongItemPrefix) {
      // Long items carry no meaning a host parser knows (HID 1.11, 6.2.2.3):
      // skipped whole.
      if (bytes.size() - at < 3 || bytes.size() - at - 3 < bytes[at + 1]) {
        summary.complete = false;
        break;
      }
      at += 3 + std::size_t{bytes[at + 1]};
      continue;
    }
    const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
    if (bytes.size() - at - 1 < size) {
      summary.complete = false;
      break;
    }
    std::uint32_t data = 0;
    for (std::size_t i = 0; i < size; ++i) data |= std::uint32_t{bytes[at + 1 + i]} << (8 * i);
    const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
    const auto tag = static_cast<std::uint8_t>(prefix >> 4);
    if (type == kMain) Main(tag, data);
    if (type == kGlobal) Global(tag, data);
    if (type == kLocal) Local(tag, data, size);
    at += 1 + size;
  }

  std::array<std::uint64_t, kKinds> longest{};
  for (const auto& [id, bits] : reportBits_)
    for (std::size_t k = 0; k < kKinds; ++k)
      if (bits[k] > 0) longest[k] = std::max(longest[k], (bits[k] + 7) / 8 + 1);
  caps_.InputReportByteLength = Clamp16(longest[kInputKind]);
  caps_.OutputReportByteLength = Clamp16(longest[kOutputKind]);
  caps_.FeatureReportByteLength = Clamp16(longest[kFeatureKind]);
  caps_.NumberLinkCollectionNodes = Clamp16(collections_);
  caps_.NumberInputButtonCaps = Clamp16(buttonCaps_[kInputKind]);
  caps_.NumberInputValueCaps = Clamp16(valueCaps_[kInputKind]);
  caps_.NumberInputDataIndices = Clamp16(dataIndices_[kInputKind]);
  caps_.NumberOutputButtonCaps = Clamp16(buttonCaps_[kOutputKind]);
  caps_.NumberOutputValueCaps = Clamp16(valueCaps_[kOutputKind]);
  caps_.NumberOutputDataIndices = Clamp16(dataIndices_[kOutputKind]);
  caps_.NumberFeatureButtonCaps = Clamp16(buttonCaps_[kFeatureKind]);
  caps_.NumberFeatureValueCaps = Clamp16(valueCaps_[kFeatureKind]);
  caps_.NumberFeatureDataIndices = Clamp16(dataIndices_[kFeatureKind]);
  summary.caps = caps_;
  summary.numberedReports = numbered_;
  summary.outputReportIds = outputIds_;
  return summary;
}

void Parser::Global(std::uint8_t tag, std::uint32_t data) {
  switch (tag) {
    case kUsagePage:
      global_.usagePage = data;
      break;
    case kReportSize:
      global_.reportSize = data;
      break;
    case kReportId:
      global_.reportId = data;
      numbered_ = true;
      break;
    case kReportCount:
      global_.reportCount = data;
      break;
    case kPush:
      if (stack_.size() < kMaxGlobalStack)
        stack_.push_back(global_);
      else
        ++overflowPushes_;
      break;
    case kPop:
      if (overflowPushes_ > 0) {
        --overflowPushes_;
      } else if (!stack_.empty()) {
        global_ = stack_.back();
        stack_.pop_back();
      }
      break;
    default:
      break;  // logical and physical ranges, units: no bearing on the counts
  }
}

void Parser::Local(std::uint8_t tag, std::uint32_t data, std::size_t size) {
  switch (tag) {
    case kUsage:
      local_.AddUsage(data, size == 4);
      break;
    case kUsageMinimum:
      local_.SetBound(local_.minimum, data);
      break;
    case kUsageMaximum:
      local_.SetBound(local_.maximum, data);
      break;
    default:
      break;  // designators, strings, delimiters
  }
}

void Parser::Main(std::uint8_t tag, std::uint32_t data) {
  local_.CloseDanglingBound();
  switch (tag) {
    case kInput:
      Report(kInputKind, data);
      break;
    case kOutput:
      Report(kOutputKind, data);
      break;
    case kFeature:
      Report(kFeatureKind, data);
      break;
    case kCollection:
      Collection();
      break;
    case kEndCollection:
      if (depth_ > 0) --depth_;
      break;
    default:
      break;
  }
  local_ = LocalState{};  // local items last until the next main item
}

void Parser::Report(Kind kind, std::uint32_t flags) {
  const std::uint64_t bits = std::uint64_t{global_.reportSize} * global_.reportCount;
  if (bits > 0) {
    auto& total = reportBits_[global_.reportId][kind];
    total = std::min<std::uint64_t>(total + bits, std::uint64_t{1} << 40);
    if (kind == kOutputKind && global_.reportId < outputIds_.size())
      outputIds_.set(global_.reportId);
  }
  // Constant fields are padding: Windows gives them no caps.
  if (flags & kConstantFlag) return;
  const std::uint64_t entries = std::max<std::uint64_t>(local_.entries, 1);
  const std::uint64_t indices = std::max<std::uint64_t>(local_.indices, 1);
  // One-bit fields and array fields are buttons, everything else values.
  const bool buttons = global_.reportSize == 1 || !(flags & kVariableFlag);
  (buttons ? buttonCaps_ : valueCaps_)[kind] += entries;
  dataIndices_[kind] += indices;
}

void Parser::Collection() {
  if (depth_ == 0 && !seenTopLevel_) {
    seenTopLevel_ = true;
    if (local_.firstUsage) {
      const std::uint32_t usage = *local_.firstUsage;
      // A usage without its own page takes the page in force at the main item.
      caps_.UsagePage =
          static_cast<std::uint16_t>(local_.firstUsageExtended ? usage >> 16 : global_.usagePage);
      caps_.Usage = static_cast<std::uint16_t>(usage);
    }
  }
  ++collections_;
  if (depth_ < std::numeric_limits<int>::max()) ++depth_;
}

}  // namespace

DescriptorSummary ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  return Parser().Run(descriptor);
}

}  // namespace ql::hidlink
