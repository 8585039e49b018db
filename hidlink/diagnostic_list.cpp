#include "hidlink/diagnostic_list.h"

#include <algorithm>

namespace ql::hidlink {

void DiagnosticList::Append(std::string_view text) {
  auto known = index_.find(text);
  if (known == index_.end()) {
    const std::string& stored = texts_.emplace_back(text);
    known = index_.emplace(std::string_view(stored), static_cast<TextId>(texts_.size() - 1)).first;
  }
  if (chunks_.empty() || chunks_.back().size() == kChunkLines)
    chunks_.emplace_back().reserve(kChunkLines);
  chunks_.back().push_back(known->second);
  ++size_;
  // By index: an observer may detach itself while being told.
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->LinesAppended(size_ - 1, 1);
}

void DiagnosticList::SelectLast() {
  if (size_ == 0) return;
  selected_ = size_ - 1;
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->SelectionChanged(*selected_);
}

std::size_t DiagnosticList::BytesHeld() const {
  std::size_t bytes = chunks_.capacity() * sizeof(chunks_[0]);
  for (const std::vector<TextId>& chunk : chunks_) bytes += chunk.capacity() * sizeof(TextId);
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
