#include "controls/explore_tree.h"

#include <QtCore/QDir>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>

namespace qm {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

QStringList Subfolders(const QString& path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

}  // namespace

void CEditPlus::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_A: selectAll(); return;
        case Qt::Key_C: copy(); return;
        case Qt::Key_V: paste(); return;
        case Qt::Key_X: cut(); return;
        case Qt::Key_Z: undo(); return;
        default: break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

CExploreTreeCtrl::CExploreTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!item->data(0, kFilledRole).toBool()) {
            DisplayPath(ItemToPath(item), item);
        }
    });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        if (callback_ && current != nullptr) {
            callback_(ItemToPath(current));
        }
    });
}

QTreeWidgetItem* CExploreTreeCtrl::AddRoot(const QString& text, const QString& path)
{
    auto* item = new QTreeWidgetItem(this, QStringList(text));
    item->setData(0, kPathRole, path);
    item->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    if (HasSubfolders(path)) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    return item;
}

QString CExploreTreeCtrl::ItemToPath(const QTreeWidgetItem* item) const
{
    if (item == nullptr) {
        return {};
    }
    QStringList pieces;
    const QTreeWidgetItem* at = item;
    for (; at->parent() != nullptr; at = at->parent()) {
        pieces.prepend(at->text(0));
    }
    QString path = at->data(0, kPathRole).toString();
    for (const QString& piece : pieces) {
        path = QDir(path).filePath(piece);
    }
    return basePath_.isEmpty() ? path : QDir(basePath_).filePath(path);
}

QString CExploreTreeCtrl::GetSelectedPath() const { return ItemToPath(currentItem()); }

bool CExploreTreeCtrl::HasSubfolders(const QString& path) { return !Subfolders(path).isEmpty(); }

QTreeWidgetItem* CExploreTreeCtrl::InsertFolderItem(const QString& name, const QString& path, QTreeWidgetItem* parent)
{
    auto* item = new QTreeWidgetItem(parent, QStringList(name));
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setChildIndicatorPolicy(HasSubfolders(path) ? QTreeWidgetItem::ShowIndicator
                                                      : QTreeWidgetItem::DontShowIndicator);
    return item;
}

void CExploreTreeCtrl::DisplayPath(const QString& path, QTreeWidgetItem* parent)
{
    setUpdatesEnabled(false);
    qDeleteAll(parent->takeChildren());
    for (const QString& name : Subfolders(path)) {
        InsertFolderItem(name, QDir(path).filePath(name), parent);
    }
    parent->setData(0, kFilledRole, true);
    parent->setChildIndicatorPolicy(parent->childCount() > 0 ? QTreeWidgetItem::ShowIndicator
                                                             : QTreeWidgetItem::DontShowIndicator);
    setUpdatesEnabled(true);
}

}  // namespace qm
