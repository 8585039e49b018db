#include "hidlink/diagnostic_list.h"

#include <algorithm>

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

void DiagnosticList::NewBlock() {
  blocks_.push_back(std::make_unique_for_overwrite<TextId[]>(kBlockSize));
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
