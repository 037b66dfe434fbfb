// The preview of an RTF copy: the document, formatted as it describes, in
// a read-only rich-text box filling a resizable window.
#pragma once

#include "dialogs/search_super_dlg.h"
#include "preview/rtf_reader.h"

class QTextDocument;
class QTextEdit;

namespace qm {

// Fills doc from what the RTF reader found.
void RtfToTextDocument(const RtfDocument& rtf, QTextDocument& doc);

class CRtfPreviewerDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  explicit CRtfPreviewerDlg(QWidget* parent = nullptr);

  static bool IsRtfFile(const QString& path);
  // Reads the file into the box and sets the title; false when it cannot
  // be read. ShowFile does this and runs the dialog.
  bool Load(const QString& path, const QString& title);
  int ShowFile(const QString& path, const QString& title);
  QTextEdit* Editor() const { return edit_; }

private:
  QTextEdit* edit_;
};

} // namespace qm
