#include "dialogs/partition_dialogs.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

#include "app/string_table.h"
#include "fatext2/fat_partition_info.h"
#include "ntfs/ntfs_partition_info.h"
#include "storage/searched_partition_info.h"

namespace qm {

namespace {
std::string YesOrDash(std::uint32_t flags, std::uint32_t bit) {
  return (flags & bit) ? QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Yes") : "-";
}
std::string YesOrNo(std::uint32_t flags, std::uint32_t bit) {
  return (flags & bit) ? QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Yes")
                       : QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "No");
}
} // namespace

std::vector<DetailRow> FatPartitionRows(const CFATSearchedPartitionInfo& p) {
  const std::uint32_t f = p.GetFlags();
  return {
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Rank"), "100%"},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "File System"),
       GetFileSystemTypeName(p.GetFileSystemType()).substr(0, 20)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From FAT32 DBR"), YesOrDash(f, 0x4)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From FAT32 Backup DBR"), YesOrDash(f, 0x8)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From FAT16 DBR"), YesOrDash(f, 0x2)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From FAT12 DBR"), YesOrDash(f, 0x1)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From folders analysis"), YesOrDash(f, 0x10)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "From files analysis"), YesOrDash(f, 0x20)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Partition Start Sector"),
       std::to_string(p.GetStartSector())},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Reversed Sector"),
       std::to_string(p.GetReservedSectors())},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Found FAT1"), YesOrNo(f, 0x40)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Found FAT2"), YesOrNo(f, 0x100)},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Sectors Per FAT"),
       std::to_string(p.GetSectorsPerFat())},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Data Area Start Sector"),
       std::to_string(p.GetClusterZeroSector())},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Sectors Per Cluster"),
       std::to_string(static_cast<int>(p.GetSectorsPerCluster()))},
      {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Partition Sectors Count"),
       std::to_string(p.GetSectorCount())},
  };
}

std::vector<DetailRow> ScanPartitionRows(CSearchedPartitionInfo* partition,
                                         const std::pair<std::uint64_t, std::uint64_t>* range) {
  if (partition) {
    const std::uint32_t fs = partition->GetFileSystemType();
    if (fs == 3 && partition->GetKind() == kPartitionKindNtfs)
      return NtfsPartitionDetails(*static_cast<CSearchedNTFSPartitionInfo*>(partition));
    if (fs <= 2 && partition->GetKind() == kPartitionKindFat)
      return FatPartitionRows(*static_cast<CFATSearchedPartitionInfo*>(partition));
    return PartitionDetails(*partition);
  }
  if (range)
    return {
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Start Sector"), std::to_string(range->first)},
        {QT_TRANSLATE_NOOP("CScanPartitionPropertiesDlg", "Total Sector"), std::to_string(range->second)}};
  return {};
}

} // namespace qm

CScanPartitionPropertiesDlg::CScanPartitionPropertiesDlg(QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
  setWindowTitle(tr("Scan Partition Properties"));
  m_list->setRootIsDecorated(false);
  m_list->setColumnCount(2);
  m_list->setHeaderLabels({tr("Name"), tr("Value")});
  m_list->header()->resizeSection(0, 200);
  m_list->header()->resizeSection(1, 200);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  resize(440, 380);
}

void CScanPartitionPropertiesDlg::SetPartition(CSearchedPartitionInfo* partition) { m_partition = partition; }

void CScanPartitionPropertiesDlg::SetSectorRange(const std::pair<std::uint64_t, std::uint64_t>* range) {
  m_range = range;
}

void CScanPartitionPropertiesDlg::Fill() {
  m_list->clear();
  for (const qm::DetailRow& row : qm::ScanPartitionRows(m_partition, m_range))
    // Values are numbers or the marked words Yes and No; a number has no
    // translation and comes back as it is.
    new QTreeWidgetItem(m_list, {tr(row.label.c_str()), tr(row.value.c_str())});
}

int CScanPartitionPropertiesDlg::exec() {
  Fill();
  return QDialog::exec();
}

CBorrowedPageDlg::CBorrowedPageDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(qm::LoadAppString(346));
}

CBorrowedPageDlg::~CBorrowedPageDlg() { GiveBack(); }

void CBorrowedPageDlg::SetPage(QWidget* page) {
  if (!page || page == m_page) return;
  GiveBack();
  m_page = page;
  m_previousParent = page->parentWidget();
  page->hide();
  page->setParent(this);
  page->setGeometry(PageArea());
  page->show();
}

void CBorrowedPageDlg::GiveBack() {
  if (!m_page) return;
  m_page->hide();
  m_page->setParent(m_previousParent);
  m_page = nullptr;
  m_previousParent = nullptr;
}

void CBorrowedPageDlg::done(int result) {
  GiveBack();
  QDialog::done(result);
}

void CBorrowedPageDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (m_page) m_page->setGeometry(PageArea());
}

void CBorrowedPageDlg::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape belong to the page's controls, not to closing.
  event->ignore();
}

CSaveFilePathDlg::CSaveFilePathDlg(QWidget* parent)
    : CBorrowedPageDlg(parent), m_ok(new QPushButton(tr("OK"), this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
  m_ok->setAutoDefault(false);
  m_cancel->setAutoDefault(false);
  connect(m_ok, &QPushButton::clicked, this, &CSaveFilePathDlg::OnOk);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QRect CSaveFilePathDlg::PageArea() const {
  const int buttonsTop = height() - 5 - m_ok->sizeHint().height();
  return QRect(0, 0, width(), std::max(0, buttonsTop - 15));
}

void CSaveFilePathDlg::resizeEvent(QResizeEvent* event) {
  const QSize b = m_ok->sizeHint().expandedTo(m_cancel->sizeHint()).expandedTo(QSize(80, 0));
  const int half = width() / 2;
  const int x0 = half + (half - b.width()) / 2;
  const int top = height() - 5 - b.height();
  m_cancel->setGeometry(x0 - 15 - b.width() / 2, top, b.width(), b.height());
  m_ok->setGeometry(x0 + 80 - b.width() / 2, top, b.width(), b.height());
  CBorrowedPageDlg::resizeEvent(event);
}

void CSaveFilePathDlg::OnOk() {
  if (m_validate && !m_validate()) return;
  accept();
  if (m_next) m_next();
}
