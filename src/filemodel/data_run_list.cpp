#include "filemodel/data_run_list.h"

const DataRunEntry* IDataRunList::FirstRun() {
  cursor_ = 0;
  return runs_.empty() ? nullptr : &runs_[0];
}

const DataRunEntry* IDataRunList::NextRun() {
  if (cursor_ < runs_.size()) ++cursor_;
  return cursor_ < runs_.size() ? &runs_[cursor_] : nullptr;
}

void IDataRunList::AppendRun(const DataRunEntry& run) {
  if (!runs_.empty()) {
    DataRunEntry& last = runs_.back();
    // A sparse run never merges with a real one: its start of all ones
    // plus a length wraps to a small number that a real run can start at.
    const bool continues = !last.IsSparse() && !run.IsSparse() && last.start + last.count == run.start;
    if (continues || (last.start == 0 && run.start == 0)) {
      last.count += run.count;
      return;
    }
  }
  runs_.push_back(run);
}

void IDataRunList::AddRunMerged(const DataRunEntry& run) {
  if (!runs_.empty()) {
    DataRunEntry& last = runs_.back();
    if (static_cast<std::int64_t>(last.start) >= 0 && !run.IsSparse() && last.start + last.count == run.start) {
      last.count += run.count;
      return;
    }
  }
  runs_.push_back(run);
}
