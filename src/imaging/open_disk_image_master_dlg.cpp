#include "imaging/open_disk_image_master_dlg.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "controls/sector_select_ctrl.h"
#include "imaging/image_file.h"
#include "imaging/imaging_strings.h"
#include "platform/log.h"

namespace qm {

namespace {

QVBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(28, 12, 28, 8);
  layout->setSpacing(8);
  return layout;
}

// Raw images carry any name: every file is offered first.
QString IndexFilter() {
  return QCoreApplication::translate("ImagingStrings", "All files (*)") + QStringLiteral(";;") +
         ImagingString(399);
}

} // namespace

COpenDiskImagePathDlg::COpenDiskImagePathDlg(ImagingSeams& seams, QWidget* parent)
    : COpenDiskInterface(parent, true), seams_(seams) {
  QVBoxLayout* layout = PageLayout(this);
  layout->addWidget(new QLabel(tr("Disk image file name:"), this));
  auto* row = new QHBoxLayout;
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("indexPath"));
  row->addWidget(edit_, 1);
  button_ = new CMyBitmapButton(tr("PATH>>>"), this);
  button_->setObjectName(QStringLiteral("pathButton"));
  row->addWidget(button_);
  layout->addLayout(row);
  layout->addStretch(1);
  connect(button_, &QPushButton::clicked, this, [this] {
    if (!seams_.chooseOpenFile) {
      return;
    }
    QString path = seams_.chooseOpenFile(window(), IndexFilter(), QString());
    if (path == QStringLiteral("*.qmi")) {
      path.clear();
    }
    if (!path.isEmpty()) {
      edit_->setText(path);
    }
  });
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (text.size() > 200) {
      seams_.prompter->Inform(window(), ImagingString(180), ImagingString(169), PromptIcon::Warning);
    }
  });
}

COpenDiskImageErrorManageDlg::COpenDiskImageErrorManageDlg(ImagingSeams& seams, QWidget* parent)
    : COpenDiskInterface(parent, true), seams_(seams) {
  QVBoxLayout* layout = PageLayout(this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("partList"));
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setHeaderLabels({QStringLiteral("#"), ImagingString(425), ImagingString(426)});
  list_->header()->resizeSection(0, 28);
  list_->header()->resizeSection(1, 80);
  list_->header()->setStretchLastSection(true);
  list_->setStyleSheet(QStringLiteral("QTreeWidget::item { border-bottom: 1px solid #dddddd; }"));
  layout->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  add_ = new CMyBitmapButton(tr("Add slice"), this);
  remove_ = new CMyBitmapButton(tr("Remove"), this);
  locate_ = new CMyBitmapButton(tr("Locate slice"), this);
  add_->setObjectName(QStringLiteral("addSlice"));
  remove_->setObjectName(QStringLiteral("removeSlice"));
  locate_->setObjectName(QStringLiteral("locateSlice"));
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addWidget(locate_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  remove_->setEnabled(false);
  locate_->setEnabled(false);
  connect(add_, &QPushButton::clicked, this, &COpenDiskImageErrorManageDlg::OnAdd);
  connect(remove_, &QPushButton::clicked, this, &COpenDiskImageErrorManageDlg::OnRemove);
  connect(locate_, &QPushButton::clicked, this, &COpenDiskImageErrorManageDlg::OnLocate);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &COpenDiskImageErrorManageDlg::OnSelection);
}

void COpenDiskImageErrorManageDlg::LoadPartList(const std::string& listPath, std::uint32_t parts) {
  listPath_ = listPath;
  parts_ = parts;
  repair_.Load(image::ReadPartList(listPath));
  Refill();
}

void COpenDiskImageErrorManageDlg::Clear() {
  repair_.Load({});
  Refill();
}

void COpenDiskImageErrorManageDlg::Refill() {
  list_->clear();
  const auto& rows = repair_.Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::number(i));
    item->setText(1, ImagingString(rows[i].valid ? 427 : 428));
    item->setForeground(1, rows[i].valid ? QColor(0, 120, 0) : QColor(190, 0, 0));
    item->setText(2, QString::fromStdString(rows[i].path));
    item->setToolTip(2, QString::fromStdString(rows[i].path));
  }
  remove_->setEnabled(false);
  locate_->setEnabled(false);
}

void COpenDiskImageErrorManageDlg::OnSelection() {
  const bool selected = list_->currentItem() != nullptr && !list_->selectedItems().isEmpty();
  remove_->setEnabled(selected);
  locate_->setEnabled(selected);
}

QString COpenDiskImageErrorManageDlg::ChoosePart() {
  return seams_.chooseOpenFile
             ? seams_.chooseOpenFile(window(),
                                     tr("Zorv DISKIMAGE FILE(*.qmf)") + QStringLiteral(";;All files (*)"),
                                     QStringLiteral("*.qmf"))
             : QString();
}

void COpenDiskImageErrorManageDlg::OnAdd() {
  const QString path = ChoosePart();
  if (path.isEmpty()) {
    return;
  }
  if (repair_.Add(path.toStdString()) == image::PartListRepair::Result::kInvalid) {
    seams_.prompter->Inform(window(), ImagingString(166), ImagingString(169), PromptIcon::Warning);
  }
  Refill();
}

void COpenDiskImageErrorManageDlg::OnLocate() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0) {
    return;
  }
  const QString path = ChoosePart();
  if (path.isEmpty()) {
    return;
  }
  if (repair_.Locate(static_cast<std::size_t>(row), path.toStdString()) ==
      image::PartListRepair::Result::kInvalid) {
    seams_.prompter->Inform(window(), ImagingString(167), ImagingString(169), PromptIcon::Warning);
  }
  Refill();
}

void COpenDiskImageErrorManageDlg::OnRemove() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row >= 0) {
    repair_.Remove(static_cast<std::size_t>(row));
  }
  Refill();
}

bool COpenDiskImageErrorManageDlg::IsComplete() const {
  return repair_.Complete() && (parts_ == 0 || repair_.Rows().size() == parts_);
}

bool COpenDiskImageErrorManageDlg::WriteRepairedList() {
  return image::WritePartList(listPath_, repair_.Paths());
}

COpenDiskImageMasterDlg::COpenDiskImageMasterDlg(QWidget* parent, ImagingSeams seams)
    : COpenDiskInterface(parent, false), seams_(std::move(seams)) {
  setWindowTitle(tr("Open Disk Image"));
  setObjectName(QStringLiteral("COpenDiskImageMasterDlg"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->setSpacing(0);
  banner_ = new CDIskImagePublicDlg(this);
  layout->addWidget(banner_);
  stack_ = new QStackedWidget(this);
  stack_->setMinimumSize(600, 170);

  auto* welcome = new COpenDiskInterface(stack_, true);
  QVBoxLayout* welcomeLayout = PageLayout(welcome);
  welcomeLayout->addWidget(BoldLabel(tr("Welcome to Open Disk Image Wizard"), welcome));
  welcomeLayout->addStretch(1);
  welcomeLayout->addWidget(new QLabel(tr("To continue,click next"), welcome));
  path_ = new COpenDiskImagePathDlg(seams_, stack_);
  repair_ = new COpenDiskImageErrorManageDlg(seams_, stack_);
  auto* success = new COpenDiskInterface(stack_, true);
  QVBoxLayout* successLayout = PageLayout(success);
  successLayout->addWidget(BoldLabel(tr("Disk image opened successfully"), success));
  successLayout->addWidget(
      new QLabel(tr("You can start working with opened Disk image in the list"), success));
  successLayout->addStretch(1);
  successLayout->addWidget(new QLabel(tr("Click Next to close wizard"), success));
  for (QWidget* page : {static_cast<QWidget*>(welcome), static_cast<QWidget*>(path_),
                        static_cast<QWidget*>(repair_), static_cast<QWidget*>(success)}) {
    stack_->addWidget(page);
  }
  layout->addWidget(stack_, 1);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(12, 8, 12, 0);
  buttons->addStretch(1);
  back_ = new CMyBitmapButton(tr("< Back"), this);
  next_ = new CMyBitmapButton(tr("Next >"), this);
  cancel_ = new CMyBitmapButton(tr("Cancel"), this);
  back_->setObjectName(QStringLiteral("back"));
  next_->setObjectName(QStringLiteral("next"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  for (QPushButton* button : {back_, next_, cancel_}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(90);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  connect(back_, &QPushButton::clicked, this, &COpenDiskImageMasterDlg::OnBack);
  connect(next_, &QPushButton::clicked, this, &COpenDiskImageMasterDlg::OnNext);
  connect(cancel_, &QPushButton::clicked, this, &COpenDiskImageMasterDlg::OnCancel);
  timer_.setInterval(500);
  connect(&timer_, &QTimer::timeout, this, &COpenDiskImageMasterDlg::OnTimer);
  timer_.start();

  ShowPage(kWelcome);
  back_->setEnabled(false);
  SetTitle(169);
  resize(600, 300);
}

void COpenDiskImageMasterDlg::ShowPage(int index) {
  current_ = index;
  stack_->setCurrentIndex(index);
  // On the index-file page the user types or picks the file first.
  if (index == kPath) {
    path_->Edit()->setFocus();
  }
}

void COpenDiskImageMasterDlg::SetTitle(unsigned id) { banner_->SetTitle(ImagingString(id)); }

void COpenDiskImageMasterDlg::Warn(unsigned id) {
  seams_.prompter->Inform(this, ImagingString(id), ImagingString(169), PromptIcon::Warning);
}

void COpenDiskImageMasterDlg::OnNext() {
  back_->setEnabled(true);
  switch (current_) {
  case kWelcome:
    SetTitle(171);
    ShowPage(kPath);
    break;
  case kPath:
    CheckChosenImage();
    break;
  case kRepair:
    if (!repair_->IsComplete()) {
      return;
    }
    if (!repair_->WriteRepairedList()) {
      seams_.prompter->Inform(this,
                              tr("The part list cannot be written. Please check the folder of the image."),
                              ImagingString(169), PromptIcon::Warning);
      return;
    }
    back_->setEnabled(false);
    SetTitle(177);
    ShowPage(kSuccess);
    next_->setEnabled(true);
    break;
  case kSuccess:
    chosen_ = true;
    accept();
    break;
  default:
    break;
  }
}

void COpenDiskImageMasterDlg::OnBack() {
  const int previous = current_ == kRepair ? kPath : current_ == kPath ? kWelcome : kPath;
  if (previous == kWelcome) {
    SetTitle(169);
    back_->setEnabled(false);
  } else if (previous == kPath) {
    SetTitle(170);
    next_->setEnabled(true);
    repair_->Clear();
    accepted_ = false;
  }
  ShowPage(previous);
}

void COpenDiskImageMasterDlg::OnCancel() {
  if (seams_.prompter->AskYesNo(this, ImagingString(178), ImagingString(169), false)) {
    done(QDialog::Rejected);
  }
}

void COpenDiskImageMasterDlg::reject() { OnCancel(); }

void COpenDiskImageMasterDlg::OnTimer() {
  if (!checking_) {
    return;
  }
  if ((current_ == kRepair && repair_->IsComplete()) || (current_ != kRepair && accepted_)) {
    next_->setEnabled(true);
  } else if (current_ == kRepair) {
    next_->setEnabled(false);
  }
}

void COpenDiskImageMasterDlg::CheckChosenImage() {
  checking_ = true;
  const QString path = path_->Path();
  CPlainFile index;
  std::uint64_t size = 0;
  if (!index.Open(path.toStdString().c_str(), CPlainFile::kRead) || !index.GetSize(&size) || size < 512) {
    accepted_ = true;
    ShowPage(kPath);
    Warn(176);
    return;
  }
  index.Close();
  if (!image::IsImageIndex(path.toStdString())) {
    // A raw image of a disk or a volume (what dd or ddrescue writes): it
    // has no parts to check.
    back_->setEnabled(false);
    accepted_ = true;
    SetTitle(173);
    ShowPage(kSuccess);
    LogInfo("Disk image %s: a raw image", path.toStdString().c_str());
    return;
  }
  const std::string listPath = image::PartListPath(path.toStdString());
  CPlainFile list;
  if (!list.Open(listPath.c_str(), CPlainFile::kRead)) {
    Warn(174);
    SetTitle(175);
    return;
  }
  list.Close();
  image::CImageFile header(path.toStdString());
  header.OpenIndex(CPlainFile::kRead);
  const std::uint32_t parts = std::min(header.GetPartCount(), image::kMaxParts);
  const int check = CheckListedParts(listPath);
  if (check < 0) {
    return; // the check said why
  }
  if (check == 1 && image::ReadPartList(listPath).size() >= parts) {
    back_->setEnabled(false);
    accepted_ = true;
    SetTitle(173);
    ShowPage(kSuccess);
    return;
  }
  accepted_ = false;
  SetTitle(172);
  repair_->LoadPartList(listPath, parts);
  ShowPage(kRepair);
  next_->setEnabled(false);
  LogInfo("Disk image %s: parts are missing; the part list is offered for repair",
          path.toStdString().c_str());
}

int COpenDiskImageMasterDlg::CheckListedParts(const std::string& listPath) {
  const std::vector<std::string> lines = image::ReadPartList(listPath);
  // A line that is no absolute path is no list of ours (an empty list too).
  if (lines.empty() || std::any_of(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.empty() || l[0] != '/'; })) {
    Warn(179);
    return -1;
  }
  for (const std::string& line : lines) {
    if (!image::PartReadable(line)) {
      return 0;
    }
  }
  return 1;
}

void COpenDiskImageMasterDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
      button->click();
    } else if (next_->isEnabled()) {
      OnNext();
    }
    return;
  }
  COpenDiskInterface::keyPressEvent(event);
}

} // namespace qm
