// Where one found file, folder or volume lies on the disk and the engine's
// flags for it, as a two-column "Name" / "Value" list.
#pragma once

#include "dialogs/search_super_dlg.h"

class CFileNode;
class QTreeWidget;

namespace qm {

class CPropertiesDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  explicit CPropertiesDlg(QWidget* parent = nullptr);
  // Fills the list from the node's rows.
  CPropertiesDlg& SetNode(CFileNode* node);
  QTreeWidget* List() const { return list_; }

private:
  QTreeWidget* list_;
  CFileNode* node_ = nullptr;
};

} // namespace qm
