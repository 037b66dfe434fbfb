#include "dialogs/advance_setting_dlg.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStackedWidget>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "app/help_viewer.h"
#include "app/language.h"
#include "controls/raw_file_type_tree.h"
#include "dialogs/advance_setting_prop_sheet.h"
#include "dialogs/advance_setting_rules.h"
#include "filemodel/file_type_map.h"
#include "filemodel/raw_type_ids.h"
#include "storage/app_settings.h"

namespace qm {
namespace {

constexpr int kHelpTopic = 46;

// The dialog's texts under its translation context; a class rather than a
// helper function so that lupdate finds the literals.
struct DlgText {
  Q_DECLARE_TR_FUNCTIONS(CAdvanceSettingMasterDlg)
};

// One option: its check box in bold, and what it does below it.
QCheckBox* AddOption(QVBoxLayout& layout, QWidget* page, const char* name, const QString& text,
                     const QString& explanation) {
  auto* box = new QCheckBox(text, page);
  box->setObjectName(QString::fromLatin1(name));
  QFont bold = box->font();
  bold.setBold(true);
  box->setFont(bold);
  layout.addWidget(box);
  auto* note = new QLabel(explanation, page);
  note->setWordWrap(true);
  note->setContentsMargins(24, 0, 0, 10);
  note->setStyleSheet(QStringLiteral("color: #4A5160;"));
  layout.addWidget(note);
  return box;
}

int Checked(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

QIcon PageIcon(CAdvanceSettingMasterDlg::Page page) {
  // A small page in the colour of its subject, with its initial.
  static const QColor kColours[] = {QColor(0x2E, 0x75, 0xB6), QColor(0x3A, 0x9A, 0x5B),
                                    QColor(0x70, 0x70, 0x70), QColor(0xC5, 0x5A, 0x11)};
  static const char* const kMarks[] = {"F", "N", "C", "R"};
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kColours[page]);
  painter.drawRoundedRect(QRectF(6, 4, 36, 40), 6, 6);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(22);
  painter.setFont(font);
  painter.drawText(QRectF(6, 4, 36, 40), Qt::AlignCenter, QString::fromLatin1(kMarks[page]));
  painter.end();
  // The shown page's button is disabled; it keeps its colours so that it
  // reads as the one chosen, not as one unavailable.
  QIcon icon(pixmap);
  icon.addPixmap(pixmap, QIcon::Disabled);
  return icon;
}

} // namespace

AdvanceSettingValues AdvanceSettingValues::From(const AppSettings& s) {
  AdvanceSettingValues v;
  v.useBootRecords = s.bUseBootRecords;
  v.usePartitionTables = s.bUsePartitionTables;
  v.extensiveVolumesSearch = s.bExtensiveVolumesSearch;
  v.ignoreBadSectors = s.bIgnoreBadSectors;
  v.fatCheckDate = s.bCheckFatDate;
  v.fatCheckTime = s.bCheckFatTime;
  v.fatReserved = s.bFatReserved;
  v.fatUseFirstCopy = s.bUseFirstFat;
  v.fatUseSecondCopy = s.bUseSecondFat;
  v.ntfsUseFilesForSize = s.bUseNtfsFilesForSize;
  v.ntfsUseMft = s.bUseMft;
  v.ntfsMftFilesOnly = s.bMftFilesOnly;
  v.rawRecover = s.bRecoverRaw;
  v.rawOnly = s.bRawOnly;
  v.rawMaxFileSize = static_cast<std::int64_t>(std::min<std::uint64_t>(s.u64MaxRawFileSize, INT64_MAX));
  return v;
}

AdvanceSettingValues AdvanceSettingValues::Defaults() {
  AdvanceSettingValues v;
  v.ntfsMftFilesOnly = 1; // the button ticks it although a fresh start has it off
  return v;
}

void AdvanceSettingValues::WriteTo(AppSettings& s) const {
  s.bUseBootRecords = useBootRecords;
  s.bUsePartitionTables = usePartitionTables;
  s.bExtensiveVolumesSearch = extensiveVolumesSearch;
  s.bIgnoreBadSectors = ignoreBadSectors;
  s.bCheckFatDate = fatCheckDate;
  s.bCheckFatTime = fatCheckTime;
  s.bFatReserved = fatReserved;
  s.bUseFirstFat = fatUseFirstCopy;
  s.bUseSecondFat = fatUseSecondCopy;
  s.bUseNtfsFilesForSize = ntfsUseFilesForSize;
  s.bUseMft = ntfsUseMft;
  s.bMftFilesOnly = ntfsMftFilesOnly;
  s.bRecoverRaw = rawRecover;
  s.bRawOnly = rawOnly;
  s.u64MaxRawFileSize = static_cast<std::uint64_t>(std::max<std::int64_t>(rawMaxFileSize, 0));
}

CAdvanceSettingMasterDlg::CAdvanceSettingMasterDlg(bool allowRawOnly, QWidget* parent)
    : CAdvanceSettingMasterDlg(allowRawOnly, parent, *GetAppSettings()) {}

CAdvanceSettingMasterDlg::~CAdvanceSettingMasterDlg() = default;

CAdvanceSettingMasterDlg::CAdvanceSettingMasterDlg(bool allowRawOnly, QWidget* parent, AppSettings& settings)
    : CSearchSuperDlg(parent), settings_(settings), allowRawOnly_(allowRawOnly),
      hidden_(AdvanceSettingValues::From(settings)), propSheet_(std::make_unique<CAdvanceSettingPropSheet>()) {
  setWindowTitle(DlgText::tr("Option"));

  auto* buttonsRow = new QHBoxLayout;
  buttonsRow->setSpacing(2);
  const char* const names[] = {QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "FAT"),
                               QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "NTFS"),
                               QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Common"),
                               QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "RAW")};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QToolButton(this);
    button->setText(DlgText::tr(names[i]));
    button->setIcon(PageIcon(static_cast<Page>(i)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(72);
    button->setStyleSheet(QStringLiteral("QToolButton:disabled { background: #DCE8F5; color: #1D3B5C;"
                                         " border: 1px solid #9DB7D5; border-radius: 4px; }"));
    connect(button, &QToolButton::clicked, this, [this, i] { ShowPage(static_cast<Page>(i)); });
    pageButtons_[static_cast<std::size_t>(i)] = button;
    buttonsRow->addWidget(button);
  }
  buttonsRow->addStretch(1);

  pages_ = new QStackedWidget(this);
  pages_->setFrameShape(QFrame::Box);
  pages_->setStyleSheet(
      QStringLiteral("QStackedWidget { border: 1px solid rgb(137, 139, 136); background: white; }"
                     "QStackedWidget > QWidget { background: white; }"));
  pages_->addWidget(MakeCheckPage({
      {"fatCheckDate", &fatCheckDate_},
      {"fatCheckTime", &fatCheckTime_},
      {"fatUseFirstCopy", &fatUseFirstCopy_},
      {"fatUseSecondCopy", &fatUseSecondCopy_},
  }));
  pages_->addWidget(MakeCheckPage({
      {"ntfsUseFilesForSize", &ntfsUseFilesForSize_},
      {"ntfsUseMft", &ntfsUseMft_},
      {"ntfsMftFilesOnly", &ntfsMftFilesOnly_},
  }));
  pages_->addWidget(MakeCheckPage({
      {"useBootRecords", &useBootRecords_},
      {"ignoreBadSectors", &ignoreBadSectors_},
  }));
  pages_->addWidget(MakeRawPage());

  auto* defaults = new QPushButton(DlgText::tr("Default"), this);
  auto* ok = new QPushButton(DlgText::tr("OK"), this);
  auto* cancel = new QPushButton(DlgText::tr("Cancel"), this);
  ok->setDefault(true);
  for (QPushButton* button : {defaults, ok, cancel}) {
    button->setMinimumWidth(88);
  }
  connect(defaults, &QPushButton::clicked, this, &CAdvanceSettingMasterDlg::OnDefault);
  connect(ok, &QPushButton::clicked, this, &CAdvanceSettingMasterDlg::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(defaults);
  bottom->addStretch(1);
  bottom->addWidget(ok);
  bottom->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addLayout(buttonsRow);
  layout->addWidget(pages_, 1);
  layout->addLayout(bottom);

  SetPageValues(hidden_);
  FillTypeTree(settings_.vecRawTypes);
  UpdateRawControls();
  ShowPage(kFatPage);
  resize(520, 560);
}

QWidget*
CAdvanceSettingMasterDlg::MakeCheckPage(std::initializer_list<std::pair<const char*, QCheckBox**>> options) {
  struct Text {
    const char* name;
    const char* label;
    const char* explanation;
  };
  static const Text kTexts[] = {
      {"fatCheckDate", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Check DATE field of file descriptors"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Folder entries whose date is impossible are taken for garbage. Untick it when a "
                         "camera or player wrote wrong dates and files are missing.")},
      {"fatCheckTime", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Check TIME field of file descriptors"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "The same test for the time of day of each entry.")},
      {"fatUseFirstCopy", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Use first FAT copy"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Follow file chains through the first allocation table. Untick it when that copy "
                         "was overwritten.")},
      {"fatUseSecondCopy", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Use second FAT copy"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Use the backup allocation table where the first copy is damaged.")},
      {"ntfsUseFilesForSize",
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Use NTFS files for volume size detection"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Take the size of a lost NTFS volume from its own system files when its boot "
                         "sector is gone.")},
      {"ntfsUseMft", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Use $MFT file"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Read the file records through the master file table's own map; untick it to "
                         "search every record sector by sector.")},
      {"ntfsMftFilesOnly",
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Show files that belong to $MFT only"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Leave out records found outside the master file table, such as copies left by "
                         "an earlier format.")},
      {"useBootRecords", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Use Boot Records"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Trust the boot sectors found on the disk to place volumes. Untick it when they "
                         "were rewritten by a later format.")},
      {"ignoreBadSectors", QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg", "Ignore bad sectors"),
       QT_TRANSLATE_NOOP("CAdvanceSettingMasterDlg",
                         "Read unreadable sectors as zeros and go on, instead of stopping at the first "
                         "read error.")},
  };
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(24, 20, 24, 16);
  for (const auto& [name, box] : options) {
    const auto text = std::find_if(std::begin(kTexts), std::end(kTexts),
                                   [name = name](const Text& t) { return std::strcmp(t.name, name) == 0; });
    *box = AddOption(*layout, page, name, DlgText::tr(text->label), DlgText::tr(text->explanation));
  }
  layout->addStretch(1);
  return page;
}

QWidget* CAdvanceSettingMasterDlg::MakeRawPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(24, 20, 24, 16);
  rawRecover_ = new QCheckBox(DlgText::tr("Recover RAW files:"), page);
  rawRecover_->setObjectName(QStringLiteral("rawRecover"));
  rawOnly_ = new QCheckBox(DlgText::tr("Recover RAW files only"), page);
  rawOnly_->setObjectName(QStringLiteral("rawOnly"));
  for (QCheckBox* box : {rawRecover_, rawOnly_}) {
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
  }
  layout->addWidget(rawRecover_);
  auto* note = new QLabel(DlgText::tr("Files recognised by their contents where no file system records them. "
                                      "Their names are lost; they are listed by type."),
                          page);
  note->setWordWrap(true);
  note->setContentsMargins(24, 0, 0, 6);
  note->setStyleSheet(QStringLiteral("color: #4A5160;"));
  layout->addWidget(note);
  auto* onlyRow = new QHBoxLayout;
  onlyRow->setContentsMargins(24, 0, 0, 0);
  onlyRow->addWidget(rawOnly_);
  layout->addLayout(onlyRow);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->setContentsMargins(24, 4, 0, 8);
  sizeRow->addWidget(new QLabel(DlgText::tr("Maximal file size:"), page));
  sizeEdit_ = new QLineEdit(page);
  sizeEdit_->setMaximumWidth(160);
  sizeRow->addWidget(sizeEdit_);
  sizeRow->addWidget(new QLabel(DlgText::tr("Bytes."), page));
  sizeRow->addStretch(1);
  layout->addLayout(sizeRow);
  layout->addWidget(new QLabel(DlgText::tr("What file types would you like to recover?"), page));
  tree_ = new CRawFileTypeTreeCtrl(page);
  layout->addWidget(tree_, 1);

  connect(rawRecover_, &QCheckBox::clicked, this, &CAdvanceSettingMasterDlg::OnRecoverRawClicked);
  connect(sizeEdit_, &QLineEdit::textEdited, this, &CAdvanceSettingMasterDlg::OnSizeEdited);
  return page;
}

void CAdvanceSettingMasterDlg::FillTypeTree(const std::vector<int>& checked) {
  tree_->clear();
  for (const RawTypeGroup& group : RawTypeGroups()) {
    QTreeWidgetItem* groupItem = tree_->AddGroup(DlgText::tr(group.label));
    groupItem->setIcon(0, GetShellFileIcon(QString::fromLatin1(group.iconSample)));
    for (const RawTypeChoice& type : group.types) {
      const bool on = std::find(checked.begin(), checked.end(), type.typeId) != checked.end();
      const QString label = DlgText::tr(type.label);
      QTreeWidgetItem* item = tree_->AddType(groupItem, label, type.typeId, on);
      item->setIcon(0, GetShellFileIcon(QStringLiteral("file.") +
                                        QString::fromLatin1(kBuiltInRawTypeNames[type.typeId])));
    }
  }
}

void CAdvanceSettingMasterDlg::AllowRawTypeChoice(bool allow) {
  allowTypeChoice_ = allow;
  UpdateRawControls();
}

void CAdvanceSettingMasterDlg::ShowPage(Page page) {
  pages_->setCurrentIndex(page);
  for (std::size_t i = 0; i < pageButtons_.size(); ++i) {
    pageButtons_[i]->setEnabled(static_cast<int>(i) != page);
  }
  // The first option of the page takes the keyboard.
  QWidget* first = page == kFatPage      ? static_cast<QWidget*>(fatCheckDate_)
                   : page == kNtfsPage   ? static_cast<QWidget*>(ntfsUseFilesForSize_)
                   : page == kCommonPage ? static_cast<QWidget*>(useBootRecords_)
                                         : static_cast<QWidget*>(sizeEdit_);
  first->setFocus();
}

CAdvanceSettingMasterDlg::Page CAdvanceSettingMasterDlg::CurrentPage() const {
  return static_cast<Page>(pages_->currentIndex());
}

void CAdvanceSettingMasterDlg::SetPageValues(const AdvanceSettingValues& v) {
  fatCheckDate_->setChecked(v.fatCheckDate != 0);
  fatCheckTime_->setChecked(v.fatCheckTime != 0);
  fatUseFirstCopy_->setChecked(v.fatUseFirstCopy != 0);
  fatUseSecondCopy_->setChecked(v.fatUseSecondCopy != 0);
  ntfsUseFilesForSize_->setChecked(v.ntfsUseFilesForSize != 0);
  ntfsUseMft_->setChecked(v.ntfsUseMft != 0);
  ntfsMftFilesOnly_->setChecked(v.ntfsMftFilesOnly != 0);
  useBootRecords_->setChecked(v.useBootRecords != 0);
  ignoreBadSectors_->setChecked(v.ignoreBadSectors != 0);
  rawRecover_->setChecked(v.rawRecover != 0);
  rawOnly_->setChecked(allowRawOnly_ && v.rawOnly != 0);
  sizeEdit_->setText(QString::number(std::max<std::int64_t>(v.rawMaxFileSize, 0)));
}

AdvanceSettingValues CAdvanceSettingMasterDlg::PageValues() const {
  AdvanceSettingValues v = hidden_;
  v.fatCheckDate = Checked(fatCheckDate_);
  v.fatCheckTime = Checked(fatCheckTime_);
  v.fatUseFirstCopy = Checked(fatUseFirstCopy_);
  v.fatUseSecondCopy = Checked(fatUseSecondCopy_);
  v.ntfsUseFilesForSize = Checked(ntfsUseFilesForSize_);
  v.ntfsUseMft = Checked(ntfsUseMft_);
  v.ntfsMftFilesOnly = Checked(ntfsMftFilesOnly_);
  v.useBootRecords = Checked(useBootRecords_);
  v.ignoreBadSectors = Checked(ignoreBadSectors_);
  v.rawRecover = Checked(rawRecover_);
  v.rawOnly = allowRawOnly_ && v.rawRecover != 0 ? Checked(rawOnly_) : 0;
  v.rawMaxFileSize = ParseRawSizeText(sizeEdit_->text());
  return v;
}

QCheckBox* CAdvanceSettingMasterDlg::Option(const char* objectName) const {
  return findChild<QCheckBox*>(QString::fromLatin1(objectName));
}

void CAdvanceSettingMasterDlg::UpdateRawControls() {
  const bool recover = rawRecover_->isChecked();
  if (!recover || !allowRawOnly_) {
    rawOnly_->setChecked(false);
  }
  rawOnly_->setEnabled(recover && allowRawOnly_);
  sizeEdit_->setEnabled(recover);
  tree_->setEnabled(recover && allowTypeChoice_);
}

void CAdvanceSettingMasterDlg::OnRecoverRawClicked() { UpdateRawControls(); }

void CAdvanceSettingMasterDlg::OnSizeEdited() {
  const QString text = QString::number(ParseRawSizeText(sizeEdit_->text()));
  if (text != sizeEdit_->text()) {
    sizeEdit_->setText(text);
  }
}

void CAdvanceSettingMasterDlg::OnDefault() {
  const AdvanceSettingValues defaults = AdvanceSettingValues::Defaults();
  SetPageValues(defaults);
  hidden_.usePartitionTables = defaults.usePartitionTables;
  hidden_.extensiveVolumesSearch = defaults.extensiveVolumesSearch;
  hidden_.fatReserved = defaults.fatReserved;
  if (allowTypeChoice_) {
    // Every type ticked on the tree; the settings change only at OK.
    FillTypeTree(AppSettings::AllRawTypes());
  }
  UpdateRawControls();
}

std::vector<int> CAdvanceSettingMasterDlg::ChosenTypes() const { return tree_->CheckedTypes(); }

void CAdvanceSettingMasterDlg::OnOk() {
  const AdvanceSettingValues values = PageValues();
  std::vector<int> types = ChosenTypes();
  if (!CFileTypeMap::GetInstance().HasExtensions() || values.rawOnly != 0) {
    AddImpliedRawTypes(types);
  }
  values.WriteTo(settings_);
  settings_.vecRawTypes = std::move(types);
  accept();
}

void CAdvanceSettingMasterDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    OpenHelpTopic(this, kHelpTopic);
    return;
  }
  CSearchSuperDlg::keyPressEvent(event);
}

} // namespace qm
