#include "dialogs/properties_dlg.h"

#include <algorithm>

#include <QtCore/QCoreApplication>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

#include "preview/properties_rows.h"

namespace qm {
namespace {

// The row names and flag values the rows come with, for the translations.
[[maybe_unused]] const char* const kRowNames[] = {
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Name"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Sector"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Cluster"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Parent"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Parent Sector"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Deleted"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Lost"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Cross Link"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Temp"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Damaged"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Lay out"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Record sector"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Compressed"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Encrypted"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Resident"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Size"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Offset"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "DataAreaSector"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Start Sector"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Sector Per Cluster"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "Yes"),
    QT_TRANSLATE_NOOP("CPropertiesDlg", "No"),
};

QString Translated(const std::string& text) {
  return QCoreApplication::translate("CPropertiesDlg", text.c_str());
}

} // namespace

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : CSearchSuperDlg(parent), list_(new QTreeWidget(this)) {
  setWindowTitle(tr("Properties"));
  setSizeGripEnabled(true);
  list_->setColumnCount(2);
  list_->setHeaderLabels({tr("Name"), tr("Value")});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setWordWrap(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(0, 170);
  list_->setMinimumSize(440, 260);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
}

CPropertiesDlg& CPropertiesDlg::SetNode(CFileNode* node) {
  node_ = node;
  list_->clear();
  for (const PropertyRow& row : BuildPropertyRows(node)) {
    const bool flag = row.value == "Yes" || row.value == "No";
    auto* item = new QTreeWidgetItem(
        list_, {Translated(row.name), flag ? Translated(row.value) : QString::fromUtf8(row.value.c_str())});
    item->setToolTip(1, item->text(1));
  }
  // Translated row names run longer than the English ones ("Sektor des
  // übergeordneten Ordners"): the name column takes the longest whole, never
  // less than its usual width.
  list_->resizeColumnToContents(0);
  list_->setColumnWidth(0, std::max(list_->columnWidth(0) + 12, 170));
  return *this;
}

} // namespace qm
