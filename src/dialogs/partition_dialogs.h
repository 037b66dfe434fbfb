// The properties of a found partition (or a plain sector range) as name and
// value rows, and the two frames that show a borrowed wizard page on its
// own: the save result, and the save path with its own OK and Cancel.
#pragma once

#include <QtCore/QPointer>
#include <QtWidgets/QDialog>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "app/format_text.h"

class CSearchedPartitionInfo;
class CFATSearchedPartitionInfo;
class QTreeWidget;
class QPushButton;

namespace qm {
// The rows of a found FAT partition: rank, file system, the boot sectors
// and analyses it was found by, and its layout values.
std::vector<DetailRow> FatPartitionRows(const CFATSearchedPartitionInfo& partition);
// The rows for a partition by its file system, or for a sector range.
std::vector<DetailRow> ScanPartitionRows(CSearchedPartitionInfo* partition,
                                         const std::pair<std::uint64_t, std::uint64_t>* range);
} // namespace qm

class CScanPartitionPropertiesDlg : public QDialog {
  Q_OBJECT
public:
  explicit CScanPartitionPropertiesDlg(QWidget* parent = nullptr);
  void SetPartition(CSearchedPartitionInfo* partition);
  void SetSectorRange(const std::pair<std::uint64_t, std::uint64_t>* range);
  QTreeWidget* List() const { return m_list; }
  // Fills the list; exec() does it too.
  void Fill();
  int exec() override;

private:
  QTreeWidget* m_list;
  CSearchedPartitionInfo* m_partition = nullptr;
  const std::pair<std::uint64_t, std::uint64_t>* m_range = nullptr;
};

// Shows a page that belongs elsewhere; gives it back, hidden, on close.
class CBorrowedPageDlg : public QDialog {
  Q_OBJECT
public:
  explicit CBorrowedPageDlg(QWidget* parent = nullptr);
  ~CBorrowedPageDlg() override;
  // Takes the page unless it is the one held already or is null.
  void SetPage(QWidget* page);
  QWidget* Page() const { return m_page; }

protected:
  void done(int result) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  virtual QRect PageArea() const { return rect(); }
  void GiveBack();

private:
  QPointer<QWidget> m_page;
  QPointer<QWidget> m_previousParent;
};

class CSaveFileResultDlg : public CBorrowedPageDlg {
  Q_OBJECT
public:
  explicit CSaveFileResultDlg(QWidget* parent = nullptr) : CBorrowedPageDlg(parent) {}
};

class CSaveFilePathDlg : public CBorrowedPageDlg {
  Q_OBJECT
public:
  explicit CSaveFilePathDlg(QWidget* parent = nullptr);
  // OK asks this whether the chosen folder is accepted; on yes the dialog
  // closes and `next` runs.
  void SetAcceptHandler(std::function<bool()> validate, std::function<void()> next) {
    m_validate = std::move(validate);
    m_next = std::move(next);
  }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }

protected:
  QRect PageArea() const override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void OnOk();

  QPushButton* m_ok;
  QPushButton* m_cancel;
  std::function<bool()> m_validate;
  std::function<void()> m_next;
};
