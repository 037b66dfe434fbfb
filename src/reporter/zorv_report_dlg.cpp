#include "reporter/zorv_report_dlg.h"

#include "launcher/launcher_language.h"

#include <QtCore/QDateTime>
#include <QtCore/QLocale>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtGui/QFontDatabase>
#include <QtGui/QTextCursor>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

#include <chrono>

namespace qm {
namespace {

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QString FoldersText(const CrashFiles& files) {
  QStringList folders;
  for (const auto& folder : files.folders)
    folders << PathText(folder);
  return folders.join(QStringLiteral(", "));
}

QString WrittenText(const ShownFile& file) {
  const auto system = std::chrono::file_clock::to_sys(file.written);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
  return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms), QLocale::ShortFormat);
}

// The bytes as text: bad UTF-8 becomes the replacement character, and so
// does a NUL, which would otherwise end the text in some views.
QString ViewText(const std::string& bytes) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  text.replace(QChar(u'\0'), QChar(QChar::ReplacementCharacter));
  return text;
}

} // namespace

CZorvReportDlg::CZorvReportDlg(const CrashFiles& files, QWidget* parent,
                               std::function<bool(const QString&)> opener)
    : QDialog(parent), files_(files), opener_(std::move(opener)) {
  setWindowTitle(launcher::LauncherText(launcher::kTitleString));

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* heading = new QLabel(tr("Quenmark stopped unexpectedly."), this);
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  heading->setFont(bold);
  auto* explanation =
      new QLabel(tr("A crash report and the program's log were kept on this computer; nothing "
                    "was sent anywhere. If you ask for help, these two files tell what "
                    "happened."),
                 this);
  explanation->setWordWrap(true);

  auto* words = new QVBoxLayout;
  words->setSpacing(6);
  words->addWidget(heading);
  words->addWidget(explanation);
  auto* top = new QHBoxLayout;
  top->setSpacing(14);
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(words, 1);

  tabs_ = new QTabWidget(this);
  tabs_->addTab(MakeFilePage(files_.report, ReadPart::Start,
                             tr("No crash report was found in %1.").arg(FoldersText(files_)), reportLabel_,
                             reportView_),
                tr("Crash report"));
  tabs_->addTab(MakeFilePage(files_.log, ReadPart::End,
                             tr("No log was found in %1.").arg(FoldersText(files_)), logLabel_, logView_),
                tr("Log"));

  auto* status = new QLabel(this);
  status->hide();
  openFolder_ = new QPushButton(tr("Open Folder"), this);
  openFolder_->setEnabled(!FolderToOpen(files_).isEmpty());
  connect(openFolder_, &QPushButton::clicked, this, [this, status] {
    const QString folder = FolderToOpen(files_);
    const bool opened = opener_ ? opener_(folder) : QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    status->setText(opened ? QString() : tr("The folder %1 could not be opened.").arg(folder));
    status->setVisible(!opened);
  });
  close_ = new QPushButton(tr("Close"), this);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(openFolder_);
  buttons->addWidget(status, 1);
  buttons->addStretch();
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 12);
  layout->setSpacing(10);
  layout->addLayout(top);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);
  resize(760, 540);
}

QWidget* CZorvReportDlg::MakeFilePage(const ShownFile& file, ReadPart part, const QString& missingText,
                                      QLabel*& label, QPlainTextEdit*& view) {
  auto* page = new QWidget(this);
  label = new QLabel(page);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setWordWrap(true);
  view = new QPlainTextEdit(page);
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  QStringList lines;
  if (file.path.empty()) {
    lines << missingText;
    view->hide();
  } else {
    lines << PathText(file.path);
    if (!file.readable) {
      lines << tr("The file could not be read: %1").arg(QString::fromStdString(file.error));
      view->hide();
    } else {
      const QLocale locale;
      const QString size = locale.formattedDataSize(static_cast<qint64>(file.size));
      lines << tr("Saved %1, %2").arg(WrittenText(file), size);
      if (file.cut) {
        const QString shown = locale.formattedDataSize(static_cast<qint64>(file.text.size()));
        lines << (part == ReadPart::End
                      ? tr("Only the last %1 are shown; the file holds the rest.").arg(shown)
                      : tr("Only the first %1 are shown; the file holds the rest.").arg(shown));
      }
      view->setPlainText(ViewText(file.text));
      // A log's last lines tell what happened just before the crash.
      if (part == ReadPart::End) view->moveCursor(QTextCursor::End);
    }
  }
  label->setText(lines.join(QLatin1Char('\n')));

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(label);
  layout->addWidget(view, 1);
  if (view->isHidden()) layout->addStretch(1);
  return page;
}

QString CZorvReportDlg::Summary(const CrashFiles& files) {
  QStringList lines{tr("Quenmark stopped unexpectedly.")};
  lines << tr("Crash report") + QStringLiteral(": ") +
               (files.report.path.empty() ? tr("No crash report was found in %1.").arg(FoldersText(files))
                                          : PathText(files.report.path));
  lines << tr("Log") + QStringLiteral(": ") +
               (files.log.path.empty() ? tr("No log was found in %1.").arg(FoldersText(files))
                                       : PathText(files.log.path));
  return lines.join(QLatin1Char('\n'));
}

QString CZorvReportDlg::FolderToOpen(const CrashFiles& files) {
  if (!files.report.path.empty()) return PathText(files.report.path.parent_path());
  if (!files.log.path.empty()) return PathText(files.log.path.parent_path());
  return files.folders.empty() ? QString() : PathText(files.folders.front());
}

} // namespace qm
