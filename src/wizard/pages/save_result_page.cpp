#include "wizard/pages/save_result_page.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtGui/QPainter>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

#include "app/language.h"
#include "app/string_table.h"
#include "dialogs/partition_dialogs.h"
#include "platform/log.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/steps/save_file_step.h"
#include "wizard/steps/save_result_step.h"

namespace qm {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("CSaveResultPage", text); }

QString Link(const QString& path) {
  return QStringLiteral("<a href=\"%1\">%2</a>")
      .arg(QUrl::fromLocalFile(path).toString().toHtmlEscaped(), path.toHtmlEscaped());
}

} // namespace

QString SaveResultHeadline(const SaveResultReport& report) {
  if (report.stopped) return Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Recovery stopped"));
  if (report.failed != 0)
    return Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "%1 of %2 files could not be recovered"))
        .arg(report.failed)
        .arg(report.recovered + report.failed);
  return Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Recovery Completed"));
}

CSaveResultPanel::CSaveResultPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("resultPanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(50, 16, 50, 8);
  layout->setSpacing(10);
  headline_ = new QLabel(this);
  headline_->setObjectName(QStringLiteral("headline"));
  QFont big = headline_->font();
  big.setPointSize(13);
  big.setBold(true);
  headline_->setFont(big);
  target_ = new QLabel(this);
  target_->setObjectName(QStringLiteral("targetFolder"));
  target_->setTextFormat(Qt::RichText);
  target_->setWordWrap(true);
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("counts"));
  foldersTitle_ = new QLabel(Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Folders made:")), this);
  folders_ = new QListWidget(this);
  folders_->setObjectName(QStringLiteral("createdFolders"));
  folders_->setToolTip(Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Double-click a folder to open it.")));
  layout->addWidget(headline_);
  layout->addWidget(target_);
  layout->addWidget(counts_);
  layout->addWidget(foldersTitle_);
  layout->addWidget(folders_, 1);
  connect(target_, &QLabel::linkActivated, this,
          [this](const QString& url) { OpenFolder(QUrl(url).toLocalFile()); });
  connect(folders_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { OpenFolder(item->data(Qt::UserRole).toString()); });
  opener_ = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

void CSaveResultPanel::SetReport(const SaveResultReport& report) {
  report_ = report;
  headline_->setText(SaveResultHeadline(report));
  const QColor colour =
      report.stopped || report.failed != 0 ? QColor(0xB0, 0x50, 0x00) : QColor(0x1F, 0x6E, 0x2E);
  headline_->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
  target_->setText(Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Files are saved in:")) + QStringLiteral(" ") +
                   Link(report.target));
  QString counts = Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Selected files: %1")).arg(report.selected) +
                   QStringLiteral("\n") +
                   Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Recovered files: %1")).arg(report.recovered);
  if (report.failed != 0)
    counts += QStringLiteral("\n") +
              Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "Files not recovered: %1")).arg(report.failed);
  counts_->setText(counts);
  folders_->clear();
  for (const QString& folder : report.folders) {
    auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirOpenIcon), folder, folders_);
    item->setData(Qt::UserRole, folder);
  }
  foldersTitle_->setVisible(!report.folders.isEmpty());
  folders_->setVisible(!report.folders.isEmpty());
  layout()->invalidate();
}

QString CSaveResultPanel::Headline() const { return headline_->text(); }

void CSaveResultPanel::OpenFolder(const QString& path) {
  if (!path.isEmpty() && opener_) opener_(path);
}

CSaveResultPage::CSaveResultPage(QWidget* parent) : CWizardPage(parent) {
  setObjectName(QStringLiteral("page5"));
  panel_ = new CSaveResultPanel(this);
  ok_ = new QPushButton(Tr(QT_TRANSLATE_NOOP("CSaveResultPage", "OK")), this);
  ok_->setObjectName(QStringLiteral("resultOk"));
  ok_->setMinimumWidth(88);
  ok_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, [this] {
    // The result dialog ends and gives the page back.
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget())) dialog->accept();
  });
}

IWizardPageController* CSaveResultPage::GetController() {
  return controller_ != nullptr ? static_cast<IWizardPageController*>(controller_) : nullptr;
}

void CSaveResultPage::SetSaveResult(ISaveFileController& saveFile) {
  SaveResultReport report;
  report.target = QString::fromStdString(saveFile.LastTarget());
  for (int i = 0; i < saveFile.GetCreatedFolderCount(); ++i)
    report.folders << QString::fromStdString(saveFile.GetCreatedFolder(i));
  report.selected = saveFile.GetSelectedCount();
  report.recovered = saveFile.GetRecoveredCount();
  report.failed = saveFile.Outcome().failed;
  report.stopped = saveFile.Outcome().stopped;
  panel_->SetReport(report);
  update();
}

void CSaveResultPage::OnSizeContent(int width, int height) {
  LogInfo("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", width, height);
  rects_.title = QRect(0, 0, width, 51);
  rects_.bottom = QRect(QPoint(0, height - 35), QPoint(width - 1, height - 1));
  rects_.subtitle = QRect(QPoint(0, 50), QPoint(width - 1, height - 35 - 1));
  ok_->adjustSize();
  ok_->move(width / 2 + 70, rects_.bottom.top() + 5);
  panel_->setGeometry(rects_.subtitle);
}

void CSaveResultPage::OnDrawContent(QPainter& painter) {
  const QRect band = rects_.title;
  QLinearGradient gradient(band.topLeft(), band.bottomLeft());
  gradient.setColorAt(0.0, QColor(0x1F, 0x4E, 0x79));
  gradient.setColorAt(1.0, QColor(0x2E, 0x75, 0xB6));
  painter.fillRect(band, gradient);
  QFont title = painter.font();
  title.setPointSize(13);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(band.adjusted(50, 0, -50, 0), Qt::AlignLeft | Qt::AlignVCenter, LoadAppString(346));
  painter.fillRect(rects_.bottom, QColor(0xEE, 0xF2, 0xF6));
}

void RunSaveResultDialog(QWidget& owner, CSaveResultPage& page) {
  CSaveFileResultDlg dialog(&owner);
  dialog.setWindowTitle(LoadAppString(346));
  dialog.resize(640, 420);
  dialog.SetPage(&page);
  dialog.exec();
}

} // namespace qm
