#include "imaging/create_image_pages.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "controls/sector_select_ctrl.h"
#include "imaging/imaging_strings.h"

namespace qm {

namespace {

constexpr const char* kProgramVersion = "5.8.8.8";

QString FileFilter() {
  return ImagingString(399) + QStringLiteral(";;") +
         QCoreApplication::translate("ImagingStrings", "All files (*)");
}

QVBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(28, 14, 28, 10);
  layout->setSpacing(8);
  return layout;
}

QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(type);
  button->setAutoRepeat(true);
  button->setFixedSize(18, 12);
  return button;
}

// A check box's caption standing left of it: a click on it toggles the box.
class TogglingLabel : public QLabel {
public:
  TogglingLabel(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setBuddy(box);
  }

protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        box_->isEnabled()) {
      box_->click();
    }
    QLabel::mouseReleaseEvent(event);
  }

private:
  QCheckBox* box_;
};

} // namespace

CImageDiskModeChooseDlg::CImageDiskModeChooseDlg(QWidget* parent) : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  layout->addWidget(BoldLabel(tr("Welcome to Disk Image Wizard of Quenmark"), this));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Select Drive To Image:"), this));
  source_ = BoldLabel(QString(), this);
  source_->setObjectName(QStringLiteral("sourceDescription"));
  row->addWidget(source_, 1);
  layout->addLayout(row);
  // The caption is a label of its own, so that it starts at the same x as
  // the lines above it (a check box drawn right to left indents its text);
  // a click on it still ticks the box.
  advanced_ = new QCheckBox(this);
  advanced_->setObjectName(QStringLiteral("advancedMode"));
  auto* caption = new TogglingLabel(tr("Advanced Wizard Mode:"), advanced_, this);
  caption->setObjectName(QStringLiteral("advancedModeCaption"));
  auto* boxRow = new QHBoxLayout;
  boxRow->setSpacing(6);
  boxRow->addWidget(caption);
  boxRow->addWidget(advanced_);
  boxRow->addStretch(1);
  layout->addLayout(boxRow);
  layout->addStretch(1);
  layout->addWidget(new QLabel(tr("To continue, click Next"), this));
}

void CImageDiskModeChooseDlg::SetSourceDescription(const std::string& description) {
  // Characters, not bytes: a name must not be cut inside a letter.
  const QString text = QString::fromStdString(description);
  source_->setText(text.size() >= 26 ? text.left(25) + QStringLiteral("...") : text);
  source_->setToolTip(text);
}

DestinationPathRow::DestinationPathRow(const QString& caption, ImagingSeams& seams, QWidget* parent)
    : QWidget(parent), seams_(seams) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(caption, this));
  auto* row = new QHBoxLayout;
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("destinationPath"));
  row->addWidget(edit_, 1);
  button_ = new CMyBitmapButton(tr("PATH>>>"), this);
  button_->setObjectName(QStringLiteral("pathButton"));
  row->addWidget(button_);
  layout->addLayout(row);
  connect(button_, &QPushButton::clicked, this, &DestinationPathRow::Choose);
  connect(edit_, &QLineEdit::textEdited, this, &DestinationPathRow::Typed);
}

void DestinationPathRow::Choose() {
  if (!seams_.chooseSaveFile) {
    return;
  }
  QString proposed = ImagingString(384);
  proposed.replace(QStringLiteral("%s"), QString::fromLatin1(kProgramVersion));
  QString path = seams_.chooseSaveFile(window(), FileFilter(), proposed);
  if (path.isEmpty()) {
    return;
  }
  if (!path.endsWith(QStringLiteral(".qmi"))) {
    path += QStringLiteral(".qmi");
  }
  if (path == QStringLiteral("*.qmi")) {
    path.clear();
  }
  if (path.size() > 200) {
    seams_.prompter->Inform(window(), ImagingString(61208), ImagingString(61209), PromptIcon::Warning);
    path.clear();
  }
  edit_->setText(path);
}

void DestinationPathRow::Typed(const QString& text) {
  if (text.size() >= 208) {
    seams_.prompter->Inform(window(), ImagingString(61208), ImagingString(61209), PromptIcon::Warning);
    edit_->clear();
  }
}

CImageDiskPathChooseDlg::CImageDiskPathChooseDlg(ImagingSeams& seams, QWidget* parent)
    : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  row_ = new DestinationPathRow(tr("Disk Image File Name:"), seams, this);
  layout->addWidget(row_);
  layout->addStretch(1);
}

CImageDiskADPathChooseDlg::CImageDiskADPathChooseDlg(ImagingSeams& seams, QWidget* parent)
    : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  row_ = new DestinationPathRow(tr("Disk Image File Name:"), seams, this);
  layout->addWidget(row_);
  auto* grid = new QGridLayout;
  compress_ = new QCheckBox(tr("Compress Disk Image File,compression level:"), this);
  compress_->setObjectName(QStringLiteral("compressBox"));
  level_ = new QComboBox(this);
  level_->setObjectName(QStringLiteral("levelList"));
  level_->addItems({ImagingString(379), ImagingString(380), ImagingString(381)});
  split_ = new QCheckBox(tr("Split Disk Image into slices,maximum size of a slice file:"), this);
  split_->setObjectName(QStringLiteral("splitBox"));
  size_ = new QComboBox(this);
  size_->setObjectName(QStringLiteral("splitList"));
  size_->addItems(
      {QStringLiteral("4G"), QStringLiteral("2G"), QStringLiteral("1G"), QStringLiteral("640MB")});
  level_->setEnabled(false);
  size_->setEnabled(false);
  grid->addWidget(compress_, 0, 0);
  grid->addWidget(level_, 0, 1);
  grid->addWidget(split_, 1, 0);
  grid->addWidget(size_, 1, 1);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);
  layout->addStretch(1);
  connect(compress_, &QCheckBox::toggled, level_, &QWidget::setEnabled);
  connect(split_, &QCheckBox::toggled, size_, &QWidget::setEnabled);
}

image::ImageSettings CImageDiskADPathChooseDlg::GetImageSettings() const {
  return image::SettingsFromChoices(compress_->isChecked(), level_->currentIndex(), split_->isChecked(),
                                    size_->currentIndex());
}

CImageDiskSetRegionDlg::CImageDiskSetRegionDlg(QWidget* parent) : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  bar_ = new CSectorSelectCtrl(this);
  bar_->SetSelColour(0xF7E6CA).SetTrackColour(0xEAC57F);
  layout->addWidget(bar_);
  auto* row = new QHBoxLayout;
  const auto addEdit = [this, row](const QString& caption, QLineEdit*& edit, const char* name, bool first) {
    row->addWidget(new QLabel(caption, this));
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(130);
    row->addWidget(edit);
    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    QToolButton* up = Arrow(Qt::UpArrow, this);
    QToolButton* down = Arrow(Qt::DownArrow, this);
    spin->addWidget(up);
    spin->addWidget(down);
    row->addLayout(spin);
    connect(up, &QToolButton::clicked, this, [this, first] { first ? StepFirst(true) : StepLast(true); });
    connect(down, &QToolButton::clicked, this, [this, first] { first ? StepFirst(false) : StepLast(false); });
  };
  addEdit(tr("First sector:"), firstEdit_, "firstSector", true);
  row->addSpacing(20);
  addEdit(tr("Last sector:"), lastEdit_, "lastSector", false);
  row->addStretch(1);
  layout->addLayout(row);
  auto* text = new QLabel(
      tr("Select region on the source disk which you want to store in the Disk Image and click Next"), this);
  text->setWordWrap(true);
  layout->addWidget(text);
  connect(bar_, &CSectorSelectCtrl::SelectionChanged, this, &CImageDiskSetRegionDlg::OnBarChanged);
  connect(firstEdit_, &QLineEdit::editingFinished, this, &CImageDiskSetRegionDlg::OnFirstEdited);
  connect(lastEdit_, &QLineEdit::editingFinished, this, &CImageDiskSetRegionDlg::OnLastEdited);
}

void CImageDiskSetRegionDlg::SetSectorCount(std::uint64_t count) {
  rules_.Reset(count);
  bar_->SetTotalSectors(count);
  Show(firstEdit_, 0);
  Show(lastEdit_, rules_.MaxLast());
}

void CImageDiskSetRegionDlg::Show(QLineEdit* edit, std::uint64_t value) {
  edit->setText(QString::number(value));
}

std::uint64_t CImageDiskSetRegionDlg::GetFirstSector() const { return firstEdit_->text().toULongLong(); }
std::uint64_t CImageDiskSetRegionDlg::GetLastSector() const { return lastEdit_->text().toULongLong(); }

void CImageDiskSetRegionDlg::OnBarChanged() {
  std::uint64_t first = 0, last = 0;
  bar_->GetSelection(first, last);
  rules_.Select(first, last);
  // The first notification comes from laying the bar out, before the
  // user touched it: the edits already show the whole disk.
  if (firstNotification_) {
    firstNotification_ = false;
    return;
  }
  Show(firstEdit_, rules_.First());
  Show(lastEdit_, rules_.Last());
}

void CImageDiskSetRegionDlg::OnFirstEdited() {
  bool ok = false;
  const std::int64_t typed = firstEdit_->text().toLongLong(&ok);
  rules_.EditFirst(ok ? typed : 0);
  Show(firstEdit_, rules_.First());
  bar_->SetSelection(rules_.First(), rules_.Last());
}

void CImageDiskSetRegionDlg::OnLastEdited() {
  bool ok = false;
  std::int64_t typed = lastEdit_->text().toLongLong(&ok);
  if (!ok) {
    // A number past the 64-bit range is as far as the disk goes.
    typed = lastEdit_->text().trimmed().startsWith(QLatin1Char('-')) || lastEdit_->text().trimmed().isEmpty()
                ? 0
                : INT64_MAX;
  }
  const std::int64_t shown = rules_.EditLast(typed);
  Show(firstEdit_, rules_.First());
  Show(lastEdit_, static_cast<std::uint64_t>(shown));
  bar_->SetSelection(rules_.First(), rules_.Last());
}

void CImageDiskSetRegionDlg::StepFirst(bool up) {
  rules_.StepFirst(up);
  Show(firstEdit_, rules_.First());
  bar_->SetSelection(rules_.First(), rules_.Last());
}

void CImageDiskSetRegionDlg::StepLast(bool up) {
  rules_.StepLast(up);
  Show(lastEdit_, rules_.Last());
  bar_->SetSelection(rules_.First(), rules_.Last());
}

CImageDiskDiskInfo::CImageDiskDiskInfo(QWidget* parent) : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  auto* grid = new QGridLayout;
  const QString captions[] = {tr("Source Disk ID:"),          tr("Source Disk Size:"),
                              tr("Source Disk Region Size:"), tr("Source Disk Region:"),
                              tr("Destination File:"),        tr("Compression Level:")};
  for (int i = 0; i < 6; ++i) {
    grid->addWidget(new QLabel(captions[i], this), i, 0);
    values_[i] = BoldLabel(QString(), this);
    values_[i]->setObjectName(QStringLiteral("summary%1").arg(i));
    grid->addWidget(values_[i], i, 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setVerticalSpacing(4);
  layout->addLayout(grid);
  layout->addStretch(1);
}

void CImageDiskDiskInfo::ShowSummary(const ImageSummary& summary, std::uint32_t bytesPerSector) {
  const std::uint64_t region = summary.last >= summary.first ? summary.last - summary.first + 1 : 0;
  values_[0]->setText(QString::fromStdString(summary.description));
  values_[1]->setText(QString::fromStdString(image::SizeText(summary.sectorCount, bytesPerSector)));
  values_[2]->setText(QString::fromStdString(image::SizeText(region, bytesPerSector)));
  values_[3]->setText(
      QStringLiteral("%1---%2%3").arg(summary.first).arg(summary.last).arg(ImagingString(421)));
  const QString path = QString::fromStdString(summary.indexPath);
  values_[4]->setText(path.size() >= 31 ? path.left(30) + QStringLiteral("......") : path);
  values_[4]->setToolTip(path);
  const unsigned levelIds[] = {379, 422, 423, 424};
  const unsigned id = summary.level == 1   ? levelIds[0]
                      : summary.level == 5 ? levelIds[1]
                      : summary.level == 9 ? levelIds[2]
                                           : levelIds[3];
  values_[5]->setText(ImagingString(id));
}

QString CImageDiskDiskInfo::Text(int row) const {
  return row >= 0 && row < 6 ? values_[row]->text() : QString();
}

CImageDiskSuccessDlg::CImageDiskSuccessDlg(QWidget* parent) : CInterfaceDialog(parent, true) {
  QVBoxLayout* layout = PageLayout(this);
  layout->addWidget(BoldLabel(tr("Disk Image created successfully"), this));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Disk Image file:"), this));
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("imagePath"));
  row->addWidget(path_, 1);
  layout->addLayout(row);
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("unreadableNote"));
  note_->setWordWrap(true);
  note_->hide();
  layout->addWidget(note_);
  open_ = new QCheckBox(tr("Open this Disk Image in device list"), this);
  open_->setObjectName(QStringLiteral("openInList"));
  open_->setChecked(true);
  layout->addWidget(open_);
  layout->addStretch(1);
}

void CImageDiskSuccessDlg::SetPath(const std::string& path) {
  path_->setText(QString::fromStdString(image::CutText(path, 40, ".........")));
  path_->setToolTip(QString::fromStdString(path));
}

void CImageDiskSuccessDlg::SetNote(const QString& note) {
  note_->setText(note);
  note_->setVisible(!note.isEmpty());
}

} // namespace qm
