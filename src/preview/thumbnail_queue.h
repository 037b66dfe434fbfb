// The rows whose thumbnails the loader is to make: the rows the list asks
// for go to the front, so the newest request is loaded first, and at most
// 40 wait; older requests fall off the back and are made again only when
// the list asks again.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace qm {

class ThumbnailQueue {
public:
  static constexpr std::size_t kMaxWaiting = 40;

  // Puts first..last at the front (last ends up frontmost), skipping rows
  // for which done(row) holds and rows already waiting.
  void Request(int first, int last, const std::function<bool(int)>& done);
  // The front row, taken off the queue; none when empty.
  std::optional<int> Take();
  void Clear() { rows_.clear(); }
  bool Empty() const { return rows_.empty(); }
  const std::deque<int>& Rows() const { return rows_; }

private:
  std::deque<int> rows_;
};

} // namespace qm
