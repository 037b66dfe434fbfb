// A wizard step for the save and restore services without the wizard: its
// state type, road and the chain link, with what it saves and loads given
// as functions. Counts how often it was left.
#pragma once

#include <functional>
#include <utility>

#include "raw/recovery_states.h"

namespace qm::test {

class RecoveryStep : public IRecoveryStateHolder {
public:
  using Save = std::function<int(IRSData*, IDIRBuildCallback*)>;
  using Load = std::function<bool(IRSData*, IDIRBuildCallback*)>;

  RecoveryStep(int type, int searchKind, Save save, Load load)
      : type_(type), searchKind_(searchKind), save_(std::move(save)), load_(std::move(load)) {}

  int GetStateTypeId() override { return type_; }
  int GetSearchKind() override { return searchKind_; }
  IRecoveryStateHolder* GetPreviousStateHolder() override { return previous_; }
  void SetPreviousStateHolder(IRecoveryStateHolder* previous) override { previous_ = previous; }
  int SaveState(IRSData* writer, IDIRBuildCallback* progress) override {
    ++saves;
    return save_ ? save_(writer, progress) : 1;
  }
  bool LoadState(IRSData* reader, IDIRBuildCallback* progress) override {
    ++loads;
    return load_ ? load_(reader, progress) : true;
  }
  void Leave() override { ++leaves; }

  int saves = 0;
  int loads = 0;
  int leaves = 0;

private:
  int type_;
  int searchKind_;
  IRecoveryStateHolder* previous_ = nullptr;
  Save save_;
  Load load_;
};

} // namespace qm::test
