#include "filemodel/data_run_list.h"

#include "filemodel/rs_data.h"
#include "platform/byte_view.h"

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
    // A run at 0 stands for a hole where block 0 means "no block" (EXT2):
    // it grows only by another hole, or a hole of k blocks followed by data
    // at block k would read that data as zeros.
    const bool continues =
        !last.IsSparse() && !run.IsSparse() && last.start != 0 && last.start + last.count == run.start;
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
    if (static_cast<std::int64_t>(last.start) >= 0 && !run.IsSparse() &&
        last.start + last.count == run.start) {
      last.count += run.count;
      return;
    }
  }
  runs_.push_back(run);
}

int IDataRunList::Save(IRSData* stream) const {
  qm::RSWrite(*stream, static_cast<std::uint32_t>(runs_.size()));
  for (const DataRunEntry& run : runs_) {
    std::uint8_t bytes[qm::kSavedRunBytes];
    qm::StoreLe64(bytes, run.start);
    qm::StoreLe64(bytes + 8, run.count);
    stream->Write(bytes, sizeof bytes);
  }
  return 1;
}

int IDataRunList::Load(IRSData* stream) {
  const auto count = qm::RSRead<std::uint32_t>(*stream);
  // One run at a time: the list grows only by runs actually read.
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t bytes[qm::kSavedRunBytes];
    stream->Read(bytes, sizeof bytes);
    const qm::ByteView view(bytes, sizeof bytes);
    runs_.push_back({view.le64(0), view.le64(8)});
  }
  return 1;
}
