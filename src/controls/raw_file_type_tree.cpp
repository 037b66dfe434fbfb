#include "controls/raw_file_type_tree.h"

#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionButton>

#include <vector>

#include "controls/tri_state.h"

namespace qm {
namespace {

constexpr int kDataRole = Qt::UserRole;

Qt::CheckState QtState(int value)
{
    return value == 2 ? Qt::Checked : value == 1 ? Qt::PartiallyChecked : Qt::Unchecked;
}

}  // namespace

CRawFileTypeTreeCtrl::CRawFileTypeTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
}

QTreeWidgetItem* CRawFileTypeTreeCtrl::AddGroup(const QString& label)
{
    auto* item = new QTreeWidgetItem(this, QStringList(label));
    // The view draws the box; the value is ours, so the user cannot edit it directly.
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    SetValue(item, 0);
    return item;
}

QTreeWidgetItem* CRawFileTypeTreeCtrl::AddType(QTreeWidgetItem* group, const QString& label, int typeId, bool checked)
{
    auto* item = group != nullptr ? new QTreeWidgetItem(group, QStringList(label))
                                  : new QTreeWidgetItem(this, QStringList(label));
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    item->setData(0, kDataRole, PackData(typeId, 0));
    SetValue(item, checked ? 2 : 0);
    if (group != nullptr) {
        Recompute(group);
    }
    return item;
}

int CRawFileTypeTreeCtrl::ItemData(const QTreeWidgetItem* item) const
{
    return item == nullptr ? 0 : item->data(0, kDataRole).toInt();
}

void CRawFileTypeTreeCtrl::SetValue(QTreeWidgetItem* item, int value)
{
    item->setData(0, kDataRole, PackData(TypeIdOf(ItemData(item)), value));
    item->setCheckState(0, QtState(value));
}

void CRawFileTypeTreeCtrl::Recompute(QTreeWidgetItem* group)
{
    std::vector<int> values;
    for (int i = 0; i < group->childCount(); ++i) {
        values.push_back(CheckValue(group->child(i)));
    }
    SetValue(group, CombinedCheckValue(values));
}

void CRawFileTypeTreeCtrl::CheckType(int typeId)
{
    for (int g = 0; g < topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            if (TypeIdOf(ItemData(group->child(i))) == typeId) {
                SetValue(group->child(i), 2);
            }
        }
        if (group->childCount() > 0) {
            Recompute(group);
        }
    }
}

void CRawFileTypeTreeCtrl::Toggle(QTreeWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    const int value = ToggledCheckValue(CheckValue(item));
    SetValue(item, value);
    if (item->childCount() > 0) {
        for (int i = 0; i < item->childCount(); ++i) {
            SetValue(item->child(i), value);
        }
    } else if (item->parent() != nullptr) {
        Recompute(item->parent());
    }
}

std::vector<int> CRawFileTypeTreeCtrl::CheckedTypes() const
{
    std::vector<int> ids;
    for (int g = 0; g < topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            if (CheckValue(group->child(i)) == 2) {
                ids.push_back(TypeIdOf(ItemData(group->child(i))));
            }
        }
    }
    return ids;
}

bool CRawFileTypeTreeCtrl::OnCheckBox(QTreeWidgetItem* item, const QPoint& at) const
{
    if (item == nullptr) {
        return false;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(item);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
    return box.contains(at);
}

void CRawFileTypeTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && OnCheckBox(item, event->position().toPoint())) {
        Toggle(item);
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CRawFileTypeTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && OnCheckBox(item, event->position().toPoint())) {
        Toggle(item);
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

}  // namespace qm
