#include "dialogs/search_file_dlg.h"

#include <QtGui/QKeyEvent>
#include <QtCore/QDateTime>
#include <QtCore/QTimeZone>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTimeEdit>
#include <QtWidgets/QVBoxLayout>

#include "app/help_viewer.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "controls/file_tree_ctrl.h"
#include "controls/file_type_name_table.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"

namespace qm {
namespace {

enum PanelIndex {
  kBasic = 0,
  kCheckType,
  kType,
  kCheckDate,
  kDate,
  kCheckSize,
  kSize,
  kCheckOther,
  kOther,
  kButtons,
  kPanelCount
};

FileTime ToFileTime(const QDate& date, const QTime& time) {
  // The pickers show local time, as the file times in the list do.
  const QDateTime moment(date, time);
  const qint64 ms = moment.toMSecsSinceEpoch();
  return static_cast<FileTime>(ms * 10000 + 116444736000000000LL);
}

// A tick that needs no file list: the file-system root flips the node.
void TickThroughRoot(CFileNode* node) {
  for (CFileNode* up = node; up != nullptr; up = up->GetParent())
    if (up->IsFileSystemNode() != 0) {
      static_cast<CFileSystemNode*>(up)->ToggleCheck(node, 0);
      return;
    }
  if (node->GetProperties() != nullptr) node->GetProperties()->SetCheckState(kChecked);
}

} // namespace

QString CSearchFileDlg::NodePath(CFileNode* node) {
  QStringList parts;
  for (CFileNode* up = node; up != nullptr; up = up->GetParent()) {
    const char* name = up->GetProperties() != nullptr ? up->GetProperties()->GetName() : "";
    if (up != node && std::string_view(name) == "Root") continue;
    parts.prepend(FolderDisplayName(up));
  }
  return parts.join(QLatin1Char('/'));
}

CSearchFileDlg::CSearchFileDlg(std::function<void(CFileNode*)> tick, CFileNode* current,
                               SearchFilterSet& result, QWidget* parent)
    : CSearchSuperDlg(parent), tick_(std::move(tick)), current_(current), result_(result),
      prompter_(&DefaultPrompter()), column_(new QVBoxLayout(this)) {
  setWindowTitle(tr("Search files"));
  column_->setSizeConstraint(QLayout::SetFixedSize);
  column_->setSpacing(4);
  panels_.resize(kPanelCount, nullptr);
  auto checkPanel = [&](int index, const QString& text) {
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 2, 8, 2);
    auto* box = new QCheckBox(text, panel);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    layout->addWidget(box);
    layout->addStretch();
    panels_[static_cast<std::size_t>(index)] = panel;
    connect(box, &QCheckBox::toggled, this, [this, index](bool on) { TogglePanel(index + 1, on); });
    return box;
  };
  BuildBasicPanel();
  typeBox_ = checkPanel(kCheckType, tr("Type"));
  BuildTypePanel();
  dateBox_ = checkPanel(kCheckDate, tr("Date"));
  BuildDatePanel();
  sizeBox_ = checkPanel(kCheckSize, tr("Size"));
  BuildSizePanel();
  otherBox_ = checkPanel(kCheckOther, tr("Other Parameters:"));
  BuildOtherPanel();

  auto* buttons = new QWidget(this);
  auto* buttonLayout = new QHBoxLayout(buttons);
  buttonLayout->setContentsMargins(8, 6, 8, 4);
  auto* ok = new QPushButton(tr("Search"), buttons);
  auto* cancel = new QPushButton(tr("Cancel"), buttons);
  ok->setDefault(true);
  buttonLayout->addStretch();
  buttonLayout->addWidget(ok);
  buttonLayout->addWidget(cancel);
  panels_[kButtons] = buttons;
  connect(ok, &QPushButton::clicked, this, [this] { Search(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  for (QWidget* panel : panels_)
    column_->addWidget(panel);
  for (int hidden : {kType, kDate, kSize, kOther})
    panels_[static_cast<std::size_t>(hidden)]->setVisible(false);
}

void CSearchFileDlg::BuildBasicPanel() {
  auto* panel = new QWidget(this);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(8, 6, 8, 2);
  layout->addWidget(new QLabel(tr("File Name, part of file name or file mask:"), panel));
  name_ = new QLineEdit(panel);
  name_->setMaxLength(256);
  name_->setMinimumWidth(320);
  layout->addWidget(name_);
  autoSelect_ = new QCheckBox(tr("Auto select files"), panel);
  layout->addWidget(autoSelect_);
  layout->addWidget(new QLabel(tr("Search location:"), panel));
  location_ = new QComboBox(panel);
  layout->addWidget(location_);
  auto* more = new QLabel(tr("Additional Search Parameters:"), panel);
  layout->addSpacing(4);
  layout->addWidget(more);
  panels_[kBasic] = panel;

  // "(Everywhere)" the root, then the top-level folder the current node
  // lies in, then the current node itself.
  CFileNode* root = current_;
  while (root != nullptr && root->GetParent() != nullptr)
    root = root->GetParent();
  CFileNode* top = current_;
  while (top != nullptr && top->GetParent() != nullptr && top->GetParent() != root)
    top = top->GetParent();
  location_->addItem(tr("(Everywhere)"), QVariant::fromValue(static_cast<void*>(root)));
  if (top != nullptr && top != root)
    location_->addItem(NodePath(top), QVariant::fromValue(static_cast<void*>(top)));
  if (current_ != nullptr && current_ != top && current_ != root)
    location_->addItem(NodePath(current_), QVariant::fromValue(static_cast<void*>(current_)));
  location_->setCurrentIndex(0);
}

void CSearchFileDlg::BuildTypePanel() {
  auto* panel = new QWidget(this);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(28, 0, 8, 4);
  type_ = new QComboBox(panel);
  type_->setMinimumWidth(300);
  type_->setMaxVisibleItems(20);
  const auto& map = CFileTypeNameTable::GetInstance().GetMap();
  int index = 0;
  for (const auto& [typeName, extensions] : map) {
    QString text;
    if (index < 2) {
      text = typeName.size() > 3 ? QString::fromStdString(typeName.substr(3))
                                 : (index == 0 ? CFileTypeNameTable::AllFilesName()
                                                             : CFileTypeNameTable::PlainFileName());
    } else {
      text = QString::fromStdString(typeName);
    }
    const std::string first = extensions.substr(0, extensions.find(';'));
    type_->addItem(GetShellFileIcon(QStringLiteral("x") + QString::fromStdString(first)), text,
                   QString::fromStdString(extensions));
    ++index;
  }
  if (type_->count() == 0) type_->addItem(CFileTypeNameTable::AllFilesName(), QStringLiteral("*"));
  type_->setCurrentIndex(0);
  layout->addWidget(type_);
  layout->addStretch();
  panels_[kType] = panel;
}

void CSearchFileDlg::BuildDatePanel() {
  auto* panel = new QWidget(this);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(28, 0, 8, 4);
  dateKind_ = new QComboBox(panel);
  dateKind_->addItems({tr("Modified"), tr("Created"), tr("Accessed")});
  grid->addWidget(dateKind_, 0, 0, 1, 4);
  months_ = new QRadioButton(tr("in last"), panel);
  monthCount_ = new QSpinBox(panel);
  monthCount_->setRange(1, 120);
  monthCount_->setValue(1);
  grid->addWidget(months_, 1, 0);
  grid->addWidget(monthCount_, 1, 1);
  grid->addWidget(new QLabel(tr("month."), panel), 1, 2);
  days_ = new QRadioButton(tr("in last"), panel);
  dayCount_ = new QSpinBox(panel);
  dayCount_->setRange(1, 31);
  dayCount_->setValue(1);
  grid->addWidget(days_, 2, 0);
  grid->addWidget(dayCount_, 2, 1);
  grid->addWidget(new QLabel(tr("days."), panel), 2, 2);
  range_ = new QRadioButton(tr("from"), panel);
  const QDateTime now = QDateTime::currentDateTime();
  fromDate_ = new QDateEdit(now.date(), panel);
  fromTime_ = new QTimeEdit(QTime(0, 0), panel);
  toDate_ = new QDateEdit(now.date(), panel);
  toTime_ = new QTimeEdit(QTime(23, 59, 59), panel);
  for (QDateEdit* date : {fromDate_, toDate_}) {
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 48);
  }
  for (QTimeEdit* time : {fromTime_, toTime_})
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  grid->addWidget(range_, 3, 0);
  grid->addWidget(fromDate_, 3, 1);
  grid->addWidget(fromTime_, 3, 2);
  grid->addWidget(new QLabel(tr("up to"), panel), 4, 0, Qt::AlignRight);
  grid->addWidget(toDate_, 4, 1);
  grid->addWidget(toTime_, 4, 2);
  grid->setColumnStretch(3, 1);
  months_->setChecked(true);
  for (QRadioButton* radio : {months_, days_, range_})
    connect(radio, &QRadioButton::toggled, this, &CSearchFileDlg::UpdateDateControls);
  UpdateDateControls();
  panels_[kDate] = panel;
}

void CSearchFileDlg::UpdateDateControls() {
  monthCount_->setEnabled(months_->isChecked());
  dayCount_->setEnabled(days_->isChecked());
  for (QWidget* picker : std::initializer_list<QWidget*>{fromDate_, fromTime_, toDate_, toTime_})
    picker->setEnabled(range_->isChecked());
}

void CSearchFileDlg::BuildSizePanel() {
  auto* panel = new QWidget(this);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(28, 0, 8, 4);
  sizeMode_ = new QComboBox(panel);
  sizeMode_->addItems({tr("less than"), tr("more than")});
  sizeKb_ = new QSpinBox(panel);
  sizeKb_->setRange(0, static_cast<int>(kMaxSearchKilobytes));
  sizeKb_->setGroupSeparatorShown(false);
  sizeKb_->setMinimumWidth(120);
  layout->addWidget(sizeMode_);
  layout->addWidget(sizeKb_);
  layout->addWidget(new QLabel(tr("KB"), panel));
  layout->addStretch();
  panels_[kSize] = panel;
}

void CSearchFileDlg::BuildOtherPanel() {
  auto* panel = new QWidget(this);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(28, 0, 8, 4);
  caseSensitive_ = new QCheckBox(tr("Case sensitive"), panel);
  encrypted_ = new QCheckBox(tr("Include encrypted files"), panel);
  encrypted_->setChecked(true);
  layout->addWidget(caseSensitive_);
  layout->addWidget(encrypted_);
  panels_[kOther] = panel;
}

void CSearchFileDlg::TogglePanel(int index, bool shown) {
  panels_[static_cast<std::size_t>(index)]->setVisible(shown);
  Fit();
}

void CSearchFileDlg::Fit() {
  // The dialog keeps its place and width; its height follows the panels.
  layout()->activate();
  adjustSize();
}

bool CSearchFileDlg::ReadParams(SearchFileParams& params) {
  params = SearchFileParams{};
  const std::string typed = name_->text().toStdString();
  params.namePattern = MakeNamePattern(typed);
  params.autoSelect = autoSelect_->isChecked();
  params.location = static_cast<CFileNode*>(location_->currentData().value<void*>());
  namePattern_ = QString::fromStdString(params.namePattern);
  if (!IsValidSearchName(params.namePattern, false)) {
    prompter_->Inform(this, tr("No files match specific criteria."), LoadAppString(346),
                      PromptIcon::Information);
    return false;
  }
  if (typeBox_->isChecked()) {
    params.flags |= kSearchByType;
    const int index = type_->currentIndex();
    params.typeMode = index == 0 ? 1 : index == 2 ? 4 : 2;
    params.typeName = type_->currentText().toStdString();
    params.typePattern = index < 2 ? "*" : type_->currentData().toString().toStdString();
    namePattern_ = QString::fromStdString(params.typePattern);
  }
  if (dateBox_->isChecked()) {
    params.flags |= kSearchByDate;
    const std::uint32_t kind = dateKind_->currentIndex() == 1   ? kDateCreated
                               : dateKind_->currentIndex() == 2 ? kDateAccessed
                                                                : kDateModified;
    const FileTime now = CurrentFileTime();
    if (months_->isChecked())
      params.date = LastMonths(kind, static_cast<std::uint32_t>(monthCount_->value()), now);
    else if (days_->isChecked())
      params.date = LastDays(kind, static_cast<std::uint32_t>(dayCount_->value()), now);
    else
      params.date = {kind, ToFileTime(fromDate_->date(), fromTime_->time()),
                     ToFileTime(toDate_->date(), toTime_->time())};
  }
  if (sizeBox_->isChecked()) {
    params.flags |= kSearchBySize;
    params.size.mode = static_cast<std::uint32_t>(sizeMode_->currentIndex() + 1);
    params.size.bytes = static_cast<std::uint64_t>(sizeKb_->value()) * 1024;
  }
  if (otherBox_->isChecked()) {
    params.flags |= kSearchOther;
    params.caseSensitive = caseSensitive_->isChecked();
    params.includeEncrypted = encrypted_->isChecked();
  }
  return true;
}

bool CSearchFileDlg::Search() {
  SearchFileParams params;
  if (!ReadParams(params)) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto filter = BuildNameFilter(params);
  result_.Clear();
  const auto tick = tick_ ? tick_ : std::function<void(CFileNode*)>(TickThroughRoot);
  CollectMatches(params.location, *filter, result_, params.autoSelect, tick);
  QApplication::restoreOverrideCursor();
  if (result_.GetCount() > 0) {
    accept();
    return true;
  }
  prompter_->Inform(this, tr("No files match specific criteria."), LoadAppString(346),
                    PromptIcon::Information);
  return false;
}

void CSearchFileDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    OpenHelpTopic(this, 23);
    event->accept();
    return;
  }
  CSearchSuperDlg::keyPressEvent(event);
}

} // namespace qm
