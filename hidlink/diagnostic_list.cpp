#include "hidlink/diagnostic_list.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace ql::hidlink {

DiagnosticList::TextId DiagnosticList::Intern(std::string_view text) {
  if (auto it = index_.find(text); it != index_.end()) return it->second;
  const auto id = static_cast<TextId>(texts_.size());
  const std::string& stored = texts_.emplace_back(text);
  index_.emplace(std::string_view(stored), id);
  return id;
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

#ifdef __linux__
void* MapBlock(std::size_t bytes) {
  // Huge pages need the block on a boundary of their size: more room than
  // needed, then the ends beyond the boundaries given back.
  void* mapped = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t block = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (block > start) ::munmap(mapped, block - start);
  if (block + bytes < start + bytes + kHugePage)
    ::munmap(reinterpret_cast<void*>(block + bytes), start + kHugePage - block);
  // Only advice: without huge pages the block works all the same.
  ::madvise(reinterpret_cast<void*>(block), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(block);
}
void UnmapBlock(void* block, std::size_t bytes) {
  ::munmap(block, bytes);
}
#else
void* MapBlock(std::size_t bytes) {
  return ::operator new(bytes);
}
void UnmapBlock(void* block, std::size_t) {
  ::operator delete(block);
}
#endif

std::size_t BlockBytes(std::size_t lines, bool wide) {
  return lines * (wide ? sizeof(std::uint32_t) : sizeof(std::uint16_t));
}

}  // namespace

DiagnosticList::Block::Block(bool isWide)
    : memory(MapBlock(BlockBytes(kBlockSize, isWide))), wide(isWide) {}

DiagnosticList::Block::~Block() {
  if (memory) UnmapBlock(memory, BlockBytes(kBlockSize, wide));
}

DiagnosticList::Block::Block(Block&& other) noexcept
    : memory(std::exchange(other.memory, nullptr)), wide(other.wide) {}

void DiagnosticList::AppendSlowly(std::span<const TextId> ids) {
  if (ids.empty()) return;
  const std::size_t first = size_;
  const bool wideTexts = texts_.size() > kNarrowTexts;
  for (const TextId id : ids) {
    const std::size_t offset = size_ & (kBlockSize - 1);
    if (offset == 0) blocks_.emplace_back(wideTexts);
    Block& block = blocks_.back();
    if (wideTexts && !block.wide) {
      // The first id past two bytes: the block's lines so far, widened.
      Block wider(true);
      std::copy_n(block.Narrow(), offset, wider.Wide());
      std::swap(block.memory, wider.memory);
      std::swap(block.wide, wider.wide);
    }
    if (blocks_.back().wide)
      blocks_.back().Wide()[offset] = id;
    else
      blocks_.back().Narrow()[offset] = static_cast<std::uint16_t>(id);
    ++size_;
  }
  Notify(first, ids.size());
}

void DiagnosticList::Notify(std::size_t first, std::size_t count) {
  // By index: an observer may detach itself while being told.
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->LinesAppended(first, count);
}

void DiagnosticList::SelectLast() {
  if (size_ == 0) return;
  selected_ = size_ - 1;
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->SelectionChanged(*selected_);
}

std::size_t DiagnosticList::BytesHeld() const {
  std::size_t bytes = blocks_.capacity() * sizeof(blocks_[0]);
  for (const Block& block : blocks_) bytes += BlockBytes(kBlockSize, block.wide);
  for (const std::string& text : texts_) bytes += sizeof(text) + text.capacity();
  // The index: a node per text and a bucket array.
  bytes += index_.size() * (sizeof(std::string_view) + sizeof(TextId) + 2 * sizeof(void*)) +
           index_.bucket_count() * sizeof(void*);
  return bytes;
}

std::vector<std::string> DiagnosticList::LinesFrom(std::size_t first) const {
  std::vector<std::string> out;
  for (std::size_t i = first; i < size_; ++i) out.emplace_back((*this)[i]);
  return out;
}

void DiagnosticList::AddObserver(Observer* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void DiagnosticList::RemoveObserver(Observer* observer) {
  std::erase(observers_, observer);
}

}  // namespace ql::hidlink
