#include "preview/thumbnail_queue.h"

#include <algorithm>

namespace qm {

void ThumbnailQueue::Request(int first, int last, const std::function<bool(int)>& done) {
  for (int row = first; row <= last; ++row) {
    if (done && done(row)) continue;
    if (std::find(rows_.begin(), rows_.end(), row) != rows_.end()) continue;
    rows_.push_front(row);
    while (rows_.size() > kMaxWaiting)
      rows_.pop_back();
  }
}

std::optional<int> ThumbnailQueue::Take() {
  if (rows_.empty()) return std::nullopt;
  const int row = rows_.front();
  rows_.pop_front();
  return row;
}

} // namespace qm
