// The found partitions with a check box each, the best ones ticked in
// advance, and (the lost-partition container) the layout of the ticked
// ones under the list.
#pragma once

#include <QtWidgets/QWidget>

#include <vector>

#include "controls/extend_list_ctrl.h"
#include "controls/scan_partition_rows.h"

class CPartitionLayoutView;
class CPartitionLayoutFrame;
class CExSplitterWnd;

class CMultipleChoosePartitionListCtrl : public QWidget, public ICheckBoxNotify {
  Q_OBJECT
public:
  explicit CMultipleChoosePartitionListCtrl(QWidget* parent = nullptr);

  // The record must outlive its row (until DeleteAllItems).
  void AddPartition(IntelligentPartitionResult* r);
  void DeleteAllItems();
  int GetCount() const { return static_cast<int>(m_records.size()); }
  bool GetRowCheck(int row) const;
  int GetCheckedCount() const;
  int GetSelectedRow() const { return m_list->GetSelectedLine(); }
  CSearchedPartitionInfo* GetRowData(int row) const;
  void SetSuggestionThreshold(double threshold) { m_threshold = threshold; }
  void SetListMode(unsigned limit) { m_precheckLimit = limit; }
  // Option changes are reported only once an owner is set.
  void SetOwner(QObject* owner) { m_owner = owner; }
  void SetLayoutView(CPartitionLayoutView* view) { m_layout = view; }
  CExtendListCtrl* List() const { return m_list; }

  int OnCheck(int checked, std::uintptr_t ownerValue, int cellIndex, int partIndex) override;

Q_SIGNALS:
  void PartitionOptionChanged(int row, int cell, int part, int checked);
  void CheckStatesChanged();

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  std::vector<IntelligentPartitionResult*> m_records;
  CExtendListCtrl* m_list;
  QObject* m_owner = nullptr;
  CPartitionLayoutView* m_layout = nullptr;
  double m_threshold = 0.0;
  unsigned m_precheckLimit = 4;
};

class CLostPartitionCtrlContainer : public QWidget {
  Q_OBJECT
public:
  explicit CLostPartitionCtrlContainer(QWidget* parent = nullptr);

  CMultipleChoosePartitionListCtrl* GetListPane() const { return m_list; }
  CPartitionLayoutFrame* GetLayoutPane() const { return m_frame; }
  CPartitionLayoutView* GetLayoutView() const;
  CExSplitterWnd* Splitter() const { return m_splitter; }

private:
  CExSplitterWnd* m_splitter;
  CMultipleChoosePartitionListCtrl* m_list;
  CPartitionLayoutFrame* m_frame;
};
