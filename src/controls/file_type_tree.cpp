#include "controls/file_type_tree.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyledItemDelegate>

#include <vector>

#include "app/file_filter_texts.h"
#include "app/language.h"
#include "controls/tri_state.h"

namespace qm {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;
constexpr int kCheckSize = 16;

// Left edge of an item's check box inside its row.
int CheckLeft(const QRect& row, int indent) { return row.left() + std::max(indent - kCheckSize - 6, 2); }

}  // namespace

CTypeOfFileToRecoveryTreeCtrl::CTypeOfFileToRecoveryTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

CTypeOfFileToRecoveryTreeCtrl::~CTypeOfFileToRecoveryTreeCtrl() = default;

CTypeOfFileToRecoveryTreeCtrl& CTypeOfFileToRecoveryTreeCtrl::SetTextIndent(int pixels)
{
    textIndent_ = pixels;
    viewport()->update();
    return *this;
}

QTreeWidgetItem* CTypeOfFileToRecoveryTreeCtrl::ItemOf(int id) const
{
    const auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second;
}

int CTypeOfFileToRecoveryTreeCtrl::CheckValue(const QTreeWidgetItem* item) const
{
    return item == nullptr ? 0 : item->data(0, kValueRole).toInt();
}

const FileTypeEntry* CTypeOfFileToRecoveryTreeCtrl::EntryOf(const QTreeWidgetItem* item) const
{
    return item == nullptr ? nullptr : catalogue_.FindById(item->data(0, kIdRole).toInt());
}

QTreeWidgetItem* CTypeOfFileToRecoveryTreeCtrl::Insert(int id)
{
    if (QTreeWidgetItem* existing = ItemOf(id)) {
        return existing;
    }
    const FileTypeEntry* entry = catalogue_.FindById(id);
    if (entry == nullptr) {
        return nullptr;
    }
    QTreeWidgetItem* parent = nullptr;
    if (entry->parentId >= 0 && entry->parentId != id) {
        parent = Insert(entry->parentId);
    } else if (entry->parentId < 0 && topLevelItemCount() > 0) {
        parent = topLevelItem(0);
    }
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, qm::TranslateFileFilterText(entry->label.empty() ? entry->description : entry->label));
    item->setData(0, kIdRole, id);
    item->setData(0, kValueRole, 0);
    items_[id] = item;
    return item;
}

int CTypeOfFileToRecoveryTreeCtrl::LoadTypes(const char* path)
{
    clear();
    items_.clear();
    catalogue_.Clear();
    const int result = catalogue_.Load(path);
    if (result != 0) {
        catalogue_.Clear();
        return result;
    }
    for (int id : catalogue_.Ids()) {
        Insert(id);
    }
    // Values as stored; groups without a stored value follow their types.
    for (const auto& [id, item] : items_) {
        const FileTypeEntry* entry = catalogue_.FindById(id);
        const int value = entry->checkState;
        item->setData(0, kValueRole, value >= 0 && value <= 2 ? value : 0);
    }
    for (const auto& [id, item] : items_) {
        if (item->childCount() == 0 && item->parent() != nullptr) {
            Recompute(item->parent());
        }
    }
    if (topLevelItemCount() > 0) {
        topLevelItem(0)->setExpanded(true);
        scrollToItem(topLevelItem(0), QAbstractItemView::PositionAtTop);
    }
    return 0;
}

bool CTypeOfFileToRecoveryTreeCtrl::HasCheckedType() const
{
    for (int id : catalogue_.Ids()) {
        const int value = catalogue_.FindById(id)->checkState;
        if (value == 1 || value == 2) {
            return true;
        }
    }
    return false;
}

bool CTypeOfFileToRecoveryTreeCtrl::IsTreeChecked() const
{
    return topLevelItemCount() > 0 && CheckStateImage(CheckValue(topLevelItem(0))) == 3;
}

void CTypeOfFileToRecoveryTreeCtrl::SetValue(QTreeWidgetItem* item, int value)
{
    item->setData(0, kValueRole, value);
    if (FileTypeEntry* entry = catalogue_.FindById(item->data(0, kIdRole).toInt())) {
        entry->checkState = value;
    }
}

void CTypeOfFileToRecoveryTreeCtrl::SetSubtree(QTreeWidgetItem* item, int value)
{
    SetValue(item, value);
    for (int i = 0; i < item->childCount(); ++i) {
        SetSubtree(item->child(i), value);
    }
}

void CTypeOfFileToRecoveryTreeCtrl::Recompute(QTreeWidgetItem* parent)
{
    for (; parent != nullptr; parent = parent->parent()) {
        std::vector<int> values;
        values.reserve(static_cast<std::size_t>(parent->childCount()));
        for (int i = 0; i < parent->childCount(); ++i) {
            values.push_back(CheckValue(parent->child(i)));
        }
        SetValue(parent, CombinedCheckValue(values));
    }
}

void CTypeOfFileToRecoveryTreeCtrl::Toggle(QTreeWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    SetSubtree(item, ToggledCheckValue(CheckValue(item)));
    Recompute(item->parent());
    viewport()->update();
    Q_EMIT CheckedChanged(HasCheckedType());
}

QRect CTypeOfFileToRecoveryTreeCtrl::CheckBoxRect(const QTreeWidgetItem* item) const
{
    const QRect row = visualItemRect(item);
    if (!row.isValid()) {
        return {};
    }
    return {CheckLeft(row, textIndent_), row.center().y() - kCheckSize / 2, kCheckSize, kCheckSize};
}

bool CTypeOfFileToRecoveryTreeCtrl::HandleClick(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(at);
    if (item != nullptr && CheckBoxRect(item).contains(at)) {
        Toggle(item);
        return true;
    }
    return false;
}

void CTypeOfFileToRecoveryTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && HandleClick(event)) {
        return;
    }
    // The branch arrows still open and close groups.
    if (defaultClicks_ || itemAt(event->position().toPoint()) == nullptr ||
        event->position().x() < visualItemRect(itemAt(event->position().toPoint())).left()) {
        QTreeWidget::mousePressEvent(event);
    }
}

void CTypeOfFileToRecoveryTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && HandleClick(event)) {
        return;
    }
    if (defaultClicks_) {
        QTreeWidget::mouseDoubleClickEvent(event);
    }
}

void CTypeOfFileToRecoveryTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        Toggle(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

namespace {

// Paints a row: check box, large icon, label, and the second line.
class TypeRowDelegate : public QStyledItemDelegate {
public:
    explicit TypeRowDelegate(CTypeRecoveryDrawTreeCtrl* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(CTypeRecoveryDrawTreeCtrl::kRowHeight);
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QTreeWidgetItem* item = tree_->itemFromIndex(index);
        const FileTypeEntry* entry = tree_->EntryOf(item);
        const QRect row = option.rect;
        painter->save();
        painter->fillRect(row, tree_->palette().base());
        if (option.state & QStyle::State_Selected) {
            painter->fillRect(row.adjusted(0, 2, 0, -2), QColor(0xE8, 0xF0, 0xFB));
        }
        // Check box.
        QStyleOptionButton box;
        box.rect = tree_->CheckBoxRect(item);
        const int value = tree_->CheckValue(item);
        box.state = QStyle::State_Enabled |
                    (value == 2 ? QStyle::State_On : value == 1 ? QStyle::State_NoChange : QStyle::State_Off);
        tree_->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, tree_);
        // Icon, between the check box and the text.
        const int textLeft = row.left() + tree_->TextIndent() + CTypeRecoveryDrawTreeCtrl::kIconSize + 8;
        const QRect iconRect(row.left() + tree_->TextIndent() + 2,
                             row.center().y() - CTypeRecoveryDrawTreeCtrl::kIconSize / 2,
                             CTypeRecoveryDrawTreeCtrl::kIconSize, CTypeRecoveryDrawTreeCtrl::kIconSize);
        if (entry != nullptr) {
            int iconIndex = entry->iconIndex;
            if (entry->level == 2 && item->parent() != nullptr) {
                if (const FileTypeEntry* group = tree_->EntryOf(item->parent())) {
                    iconIndex = group->iconIndex;
                }
            }
            CTypeRecoveryDrawTreeCtrl::TypeIcon(iconIndex).paint(painter, iconRect);
        }
        // Label: the top item regular, the rest bold.
        QFont labelFont = tree_->font();
        labelFont.setPointSize(10);
        labelFont.setBold(item->parent() != nullptr);
        const QString second = entry != nullptr ? CTypeRecoveryDrawTreeCtrl::SecondLine(*entry) : QString();
        const QRect textRect(textLeft, row.top(), std::max(row.right() - textLeft - 4, 0), row.height());
        painter->setPen(tree_->palette().color(QPalette::Text));
        painter->setFont(labelFont);
        if (second.isEmpty()) {
            painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, item->text(0));
        } else {
            const QRect top(textRect.left(), row.top() + 8, textRect.width(), row.height() / 2 - 8);
            painter->drawText(top, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, item->text(0));
            QFont small = tree_->font();
            small.setPointSize(9);
            painter->setFont(small);
            painter->setPen(QColor(0x55, 0x5B, 0x66));
            const QRect bottom(textRect.left(), row.top() + row.height() / 2, textRect.width(),
                               row.height() / 2 - 8);
            const QString elided = QFontMetrics(small).elidedText(second, Qt::ElideRight, bottom.width());
            painter->drawText(bottom, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, elided);
        }
        painter->restore();
    }

private:
    CTypeRecoveryDrawTreeCtrl* tree_;
};

}  // namespace

CTypeRecoveryDrawTreeCtrl::CTypeRecoveryDrawTreeCtrl(QWidget* parent) : CTypeOfFileToRecoveryTreeCtrl(parent)
{
    setItemDelegate(new TypeRowDelegate(this));
    setUniformRowHeights(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(kIconSize, kIconSize));
    QFont font = this->font();
    font.setFamilies({QString::fromLatin1(GetUIFontName()), font.family()});
    setFont(font);
}

QIcon CTypeRecoveryDrawTreeCtrl::TypeIcon(int iconIndex)
{
    // A page with a folded corner in the group's colour and its mark.
    static const QColor kColours[] = {
        QColor(0x1F, 0x4E, 0x79), QColor(0x2E, 0x75, 0xB6), QColor(0x3A, 0x9A, 0x5B),
        QColor(0xC5, 0x5A, 0x11), QColor(0x8E, 0x3C, 0xA8), QColor(0x99, 0x7A, 0x12),
        QColor(0xB8, 0x3B, 0x3B), QColor(0x44, 0x54, 0x69), QColor(0x70, 0x70, 0x70),
    };
    static const char* const kMarks[] = {"*", "D", "P", "M", "V", "Z", "@", "E", "?"};
    const int index = iconIndex >= 0 && iconIndex < static_cast<int>(std::size(kColours)) ? iconIndex : 8;
    QPixmap pixmap(kIconSize * 2, kIconSize * 2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(21, 2);
    page.lineTo(28, 9);
    page.lineTo(28, 30);
    page.lineTo(5, 30);
    page.closeSubpath();
    p.setPen(QPen(kColours[index], 1.5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(kColours[index]);
    p.drawRect(QRectF(5, 17, 23, 13));
    p.setPen(Qt::white);
    QFont mark = QApplication::font();
    mark.setPixelSize(11);
    mark.setBold(true);
    p.setFont(mark);
    p.drawText(QRectF(5, 17, 23, 13), Qt::AlignCenter, QString::fromLatin1(kMarks[index]));
    return QIcon(pixmap);
}

QString CTypeRecoveryDrawTreeCtrl::SecondLine(const FileTypeEntry& entry)
{
    if (entry.level == 1) {
        return qm::TranslateFileFilterText(entry.comment.empty() ? entry.description : entry.comment);
    }
    if (entry.level == 2) {
        QStringList patterns;
        for (const std::string& extension : entry.extensions) {
            patterns << QStringLiteral("*.") + QString::fromStdString(extension);
        }
        return patterns.join(QStringLiteral("; "));
    }
    return {};
}

}  // namespace qm
