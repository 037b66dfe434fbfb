#include "dialogs/rtf_previewer_dlg.h"

#include <QtCore/QFile>
#include <QtGui/QTextBlockFormat>
#include <QtGui/QTextCharFormat>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QVBoxLayout>

#include "preview/preview_paging.h"

namespace qm {

void RtfToTextDocument(const RtfDocument& rtf, QTextDocument& doc) {
  doc.clear();
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  bool first = true;
  for (const RtfParagraph& paragraph : rtf.paragraphs) {
    if (!first) cursor.insertBlock();
    first = false;
    for (const RtfRun& run : paragraph.runs) {
      QTextCharFormat format;
      format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
      format.setFontItalic(run.italic);
      format.setFontUnderline(run.underline);
      format.setFontPointSize(run.halfPoints / 2.0);
      if (run.color >= 0)
        format.setForeground(QColor((run.color >> 16) & 0xFF, (run.color >> 8) & 0xFF, run.color & 0xFF));
      cursor.insertText(QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size())), format);
    }
  }
  cursor.endEditBlock();
}

CRtfPreviewerDlg::CRtfPreviewerDlg(QWidget* parent) : CSearchSuperDlg(parent), edit_(new QTextEdit(this)) {
  setWindowTitle(tr("Preview RTF"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setSizeGripEnabled(true);
  resize(680, 520);
  edit_->setReadOnly(true);
  edit_->setLineWrapMode(QTextEdit::WidgetWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit_);
}

bool CRtfPreviewerDlg::IsRtfFile(const QString& path) { return qm::IsRtfFile(path.toStdString()); }

bool CRtfPreviewerDlg::Load(const QString& path, const QString& title) {
  setWindowTitle(title);
  setWindowIcon(GetShellFileIcon(title));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  // What cannot be read ends the document; what was read is shown. The
  // reader caps its output, and the preview never copies more than 100 MiB.
  const QByteArray bytes = file.read(static_cast<qint64>(kPreviewMaxFileSize));
  const RtfDocument rtf =
      ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  RtfToTextDocument(rtf, *edit_->document());
  edit_->moveCursor(QTextCursor::Start);
  return true;
}

int CRtfPreviewerDlg::ShowFile(const QString& path, const QString& title) {
  Load(path, title);
  return exec();
}

} // namespace qm
