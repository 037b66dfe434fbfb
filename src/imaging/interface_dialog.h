// The base of the imaging wizards' hosts and pages: a dialog that knows
// the pages before and after it, and a white page background. A page is
// embedded in its host; a host is a window of its own.
#pragma once

#include <QtWidgets/QLabel>

#include "controls/public_interface.h"
#include "dialogs/search_super_dlg.h"

namespace qm {

class CInterfaceDialog : public CSearchSuperDlg, public CPublicInterface {
  Q_OBJECT

public:
  // A page (embedded) when asPage, else a top-level dialog.
  CInterfaceDialog(QWidget* parent, bool asPage);

  virtual int GetNextPage() { return 0; }
  virtual int GetPrevPage() { return 0; }
};

// The open wizard's dialogs share the same base.
using COpenDiskInterface = CInterfaceDialog;

// The title banner over the pages: a picture and the step title in bold
// on a light blue band.
class CDIskImagePublicDlg : public QWidget {
  Q_OBJECT

public:
  explicit CDIskImagePublicDlg(QWidget* parent = nullptr);
  void SetTitle(const QString& title);
  QString Title() const { return title_->text(); }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QLabel* title_;
};

// A bold label, as the pages show their headings.
QLabel* BoldLabel(const QString& text, QWidget* parent);

} // namespace qm
