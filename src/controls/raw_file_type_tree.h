// The two-level tree of carved file types: groups, and under them the
// types, each item's data holding the type id (high 16 bits) and its check
// value 0 / 1 / 2 (low 16 bits). The RAW options fill and read it.
#pragma once

#include <QtWidgets/QTreeWidget>

namespace qm {

class CRawFileTypeTreeCtrl : public QTreeWidget {
    Q_OBJECT

public:
    explicit CRawFileTypeTreeCtrl(QWidget* parent = nullptr);

    static int PackData(int typeId, int value) { return (typeId << 16) | (value & 0xFFFF); }
    static int TypeIdOf(int data) { return (data >> 16) & 0xFFFF; }
    static int ValueOf(int data) { return data & 0xFFFF; }

    QTreeWidgetItem* AddGroup(const QString& label);
    QTreeWidgetItem* AddType(QTreeWidgetItem* group, const QString& label, int typeId, bool checked);

    int ItemData(const QTreeWidgetItem* item) const;
    int CheckValue(const QTreeWidgetItem* item) const { return ValueOf(ItemData(item)); }

    // Checks every type of that id, then recomputes every group.
    void CheckType(int typeId);
    // A click on an item's check box.
    void Toggle(QTreeWidgetItem* item);
    // The checked type ids in tree order.
    std::vector<int> CheckedTypes() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void SetValue(QTreeWidgetItem* item, int value);
    void Recompute(QTreeWidgetItem* group);
    bool OnCheckBox(QTreeWidgetItem* item, const QPoint& at) const;
};

}  // namespace qm
