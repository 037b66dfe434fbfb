#include "controls/partition_check_list.h"

#include <QtWidgets/QVBoxLayout>

#include <cstring>

#include "app/format_text.h"
#include "controls/device_icons.h"
#include "controls/ex_splitter_wnd.h"
#include "controls/partition_layout_view.h"

namespace {

QColor KindColour(std::uint32_t kind) {
  if (kind == 1) return QColor(0x00, 0xA0, 0x00);
  if (kind == 2) return QColor(0xA0, 0x6D, 0x00);
  return QColor(0, 0, 0);
}

ExtendListCell TextCell(const QString& text) {
  ExtendListCell c;
  c.partCount = 1;
  c.parts[0].text = text;
  return c;
}

} // namespace

CMultipleChoosePartitionListCtrl::CMultipleChoosePartitionListCtrl(QWidget* parent)
    : QWidget(parent), m_list(new CExtendListCtrl(this)) {
  m_records.reserve(2000);
  m_list->AddColumn(tr("Partition"), 250, 0);
  m_list->AddColumn(tr("Size"), 90, 1);
  m_list->AddColumn(tr("Suggestion"), 90, 2);
  m_list->AddColumn(tr("Option"), 150, 0);
  m_list->AddColumn(tr("Files Match"), 95, 2);
  m_list->AddColumn(tr("Folder Match"), 95, 2);
  connect(m_list, &CExtendListCtrl::CheckStatesChanged, this,
          &CMultipleChoosePartitionListCtrl::CheckStatesChanged);
}

void CMultipleChoosePartitionListCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_list->setGeometry(rect());
}

void CMultipleChoosePartitionListCtrl::AddPartition(IntelligentPartitionResult* r) {
  if (!r) return;
  m_records.push_back(r);
  const int row = m_list->AddLine(20);
  const bool checked = qm::PrecheckRow(r->kind, static_cast<unsigned>(GetCheckedCount()), m_precheckLimit);

  static const QIcon icon(qm::DeviceIconPixmap(3, 20));
  const CExtendHeaderCtrl* header = m_list->Header();
  ExtendListCell first;
  first.partCount = 1;
  first.width = header->GetColumnWidth(0);
  first.textColour = KindColour(r->kind);
  ExtendListPart& part = first.parts[0];
  part.hasCheckBox = true;
  part.checked = checked;
  part.icon = icon;
  part.text = QString::fromStdString(r->name);
  if (checked) part.text += QLatin1Char(' ') + tr("(recommended)");
  part.notify = this;
  m_list->AddCell(row, first);
  if (checked) OnCheck(1, static_cast<std::uintptr_t>(row), 0, 0);

  ExtendListCell size = TextCell(QString::fromStdString(FormatSectorsSize(
      r->lastSector >= r->firstSector ? r->lastSector - r->firstSector + 1 : 0, r->bytesPerSector)));
  size.width = header->GetColumnWidth(1);
  m_list->AddCell(row, size);

  ExtendListCell suggestion = TextCell(tr(qm::SuggestionText(qm::SuggestionOf(r->rank, m_threshold))));
  suggestion.width = header->GetColumnWidth(2);
  m_list->AddCell(row, suggestion);

  ExtendListCell options;
  options.width = header->GetColumnWidth(3);
  options.partCount = static_cast<int>(std::min<std::size_t>(r->options.size(), 4));
  for (int i = 0; i < options.partCount; ++i) {
    ExtendListPart& o = options.parts[static_cast<std::size_t>(i)];
    o.value = r->options[static_cast<std::size_t>(i)].value;
    o.hasCheckBox = true;
    o.checked = o.value != 0;
    o.text = tr(r->options[static_cast<std::size_t>(i)].text.c_str());
    o.notify = this;
  }
  m_list->AddCell(row, options);

  ExtendListCell files = TextCell(QString::number(r->filesMatched));
  files.width = header->GetColumnWidth(4);
  m_list->AddCell(row, files);
  ExtendListCell folders = TextCell(QString::number(r->foldersMatched));
  folders.width = header->GetColumnWidth(5);
  m_list->AddCell(row, folders);
}

void CMultipleChoosePartitionListCtrl::DeleteAllItems() {
  m_list->DeleteAllLines();
  m_records.clear();
  update();
}

bool CMultipleChoosePartitionListCtrl::GetRowCheck(int row) const { return m_list->IsLineChecked(row); }

int CMultipleChoosePartitionListCtrl::GetCheckedCount() const {
  int n = 0;
  for (int i = 0; i < m_list->GetLineCount(); ++i)
    if (m_list->IsLineChecked(i)) ++n;
  return n;
}

CSearchedPartitionInfo* CMultipleChoosePartitionListCtrl::GetRowData(int row) const {
  if (row < 0 || row >= GetCount()) return nullptr;
  return m_records[static_cast<std::size_t>(row)]->partition;
}

int CMultipleChoosePartitionListCtrl::OnCheck(int checked, std::uintptr_t ownerValue, int cellIndex,
                                              int partIndex) {
  if (ownerValue >= m_records.size()) return 0;
  const IntelligentPartitionResult& r = *m_records[ownerValue];
  if (cellIndex == 0) {
    if (!m_layout) return 0;
    LAYOUT_PARTITION lp;
    std::strncpy(lp.name, r.name.c_str(), sizeof lp.name - 1);
    lp.fileSystem = r.fileSystem;
    lp.firstSector = r.firstSector;
    lp.lastSector = r.lastSector;
    lp.bytesPerSector = r.bytesPerSector;
    lp.rank = r.rank;
    if (checked)
      m_layout->AddPartition(lp);
    else
      m_layout->RemovePartition(lp);
    return 0;
  }
  if (m_owner) Q_EMIT PartitionOptionChanged(static_cast<int>(ownerValue), cellIndex, partIndex, checked);
  return 0;
}

CLostPartitionCtrlContainer::CLostPartitionCtrlContainer(QWidget* parent)
    : QWidget(parent), m_splitter(new CExSplitterWnd(Qt::Vertical, this)),
      m_list(new CMultipleChoosePartitionListCtrl(m_splitter)),
      m_frame(new CPartitionLayoutFrame(m_splitter)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_splitter);
  m_splitter->addWidget(m_list);
  m_splitter->addWidget(m_frame);
  m_splitter->SetRowLimits(1, 100, 100, 340);
  m_list->SetLayoutView(m_frame->GetView());
}

CPartitionLayoutView* CLostPartitionCtrlContainer::GetLayoutView() const { return m_frame->GetView(); }
