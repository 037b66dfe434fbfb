// Word and Excel documents are shown by another program: LibreOffice when
// it is installed, else whatever the desktop opens such files with. Both
// return before the document shows, so the preview does not wait; a note
// tells the user where the document will appear.
#pragma once

#include <QtCore/QString>

#include <functional>

class QWidget;

namespace qm {

class Prompter;

// Opens a document in another program; false when none could be started.
class ExternalViewer {
public:
  virtual ~ExternalViewer() = default;
  virtual bool Open(const QString& path, const QString& documentName) = 0;
};

// "soffice --view --norestore <copy>" when soffice is on the PATH, else the
// desktop's opener.
class DesktopExternalViewer : public ExternalViewer {
public:
  bool Open(const QString& path, const QString& documentName) override;
};

ExternalViewer& DefaultExternalViewer();

// Hands the copy to the viewer. Unless skipTest, the copy must be a
// compound file. The viewer gets a copy of its own named like the found
// document (so the other program knows its type), which is kept until the
// program ends, as the viewer may still read it. Returns true when the
// viewer was started; a non-blocking note then says so.
bool OpenInDocumentViewer(ExternalViewer& viewer, const QString& copy, const QString& documentName,
                          bool skipTest, QWidget* owner);

} // namespace qm
