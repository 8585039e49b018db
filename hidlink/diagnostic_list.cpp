#include "hidlink/diagnostic_list.h"

#include <algorithm>
#include <cstdlib>
#include <new>

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

void DiagnosticList::AppendTexts(std::span<const TextId> ids) {
  if (ids.empty()) return;
  const std::size_t first = size_;
  for (std::size_t done = 0; done < ids.size();) {
    const std::size_t offset = size_ & (kBlockSize - 1);
    if (offset == 0) NewBlock();
    const std::size_t n = std::min(kBlockSize - offset, ids.size() - done);
    std::copy_n(ids.data() + done, n, blocks_.back().get() + offset);
    size_ += n;
    done += n;
  }
  Notify(first, ids.size());
}

#ifdef __linux__

namespace {
constexpr std::size_t kBlockBytes = (std::size_t{1} << 19) * sizeof(std::uint32_t);
}  // namespace

void DiagnosticList::FreeBlock::operator()(TextId* block) const {
  ::munmap(block, kBlockBytes);
}

void DiagnosticList::NewBlock() {
  static_assert(kBlockBytes == kBlockSize * sizeof(TextId));
  // Huge pages need the block on a boundary of their size: twice the room,
  // then the ends beyond the boundaries given back.
  void* mapped =
      ::mmap(nullptr, 2 * kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t block = (start + kBlockBytes - 1) & ~(kBlockBytes - 1);
  if (block > start) ::munmap(mapped, block - start);
  if (block + kBlockBytes < start + 2 * kBlockBytes)
    ::munmap(reinterpret_cast<void*>(block + kBlockBytes), start + kBlockBytes - block);
  // Only advice: without huge pages the block works all the same.
  ::madvise(reinterpret_cast<void*>(block), kBlockBytes, MADV_HUGEPAGE);
  blocks_.emplace_back(reinterpret_cast<TextId*>(block));
}

#else

void DiagnosticList::FreeBlock::operator()(TextId* block) const {
  delete[] block;
}

void DiagnosticList::NewBlock() {
  blocks_.emplace_back(new TextId[kBlockSize]);
}

#endif

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
  std::size_t bytes =
      blocks_.capacity() * sizeof(blocks_[0]) + blocks_.size() * kBlockSize * sizeof(TextId);
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
