#include "hidlink/diagnostic_list.h"

#include <algorithm>

namespace ql::hidlink {

std::uint32_t DiagnosticList::Intern(std::string_view text) {
  if (auto it = index_.find(text); it != index_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(texts_.size());
  const std::string& stored = texts_.emplace_back(text);
  index_.emplace(std::string_view(stored), id);
  return id;
}

void DiagnosticList::Append(std::string_view text) {
  lines_.push_back(Intern(text));
  const std::size_t index = lines_.size() - 1;
  // By index: an observer may detach itself while being told.
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->LinesAppended(index, 1);
}

void DiagnosticList::SelectLast() {
  if (lines_.empty()) return;
  selected_ = lines_.size() - 1;
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i]->SelectionChanged(*selected_);
}

std::vector<std::string> DiagnosticList::Lines() const {
  return LinesFrom(0);
}

std::vector<std::string> DiagnosticList::LinesFrom(std::size_t first) const {
  std::vector<std::string> out;
  for (std::size_t i = first; i < lines_.size(); ++i) out.emplace_back((*this)[i]);
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
