// The trees the user chooses file types with. CTypeOfFileToRecoveryTreeCtrl
// shows the file-type catalogue ("FileFilter.xml") as groups and types with
// three-valued check boxes and keeps each choice in the catalogue entry
// itself; CTypeRecoveryDrawTreeCtrl paints its rows tall, with a large icon,
// the label and a second line of description (the wizard's file-type page).
#pragma once

#include <QtWidgets/QTreeWidget>

#include <map>

#include "app/file_type_catalogue.h"

namespace qm {

class CTypeOfFileToRecoveryTreeCtrl : public QTreeWidget {
    Q_OBJECT

public:
    explicit CTypeOfFileToRecoveryTreeCtrl(QWidget* parent = nullptr);
    ~CTypeOfFileToRecoveryTreeCtrl() override;

    CTypeOfFileToRecoveryTreeCtrl& SetTextIndent(int pixels);
    int TextIndent() const { return textIndent_; }
    void SetDefaultClicks(bool on) { defaultClicks_ = on; }

    // Loads the catalogue and builds the tree; 0, or the catalogue's error
    // (the tree then stays empty).
    int LoadTypes(const char* path);

    bool HasCheckedType() const;
    // Whether the top item (every type) is fully checked.
    bool IsTreeChecked() const;

    // What a click on an item's check box does: the item flips, its
    // descendants follow, its ancestors are recomputed.
    void Toggle(QTreeWidgetItem* item);

    const CMapFileTypeInfo& Catalogue() const { return catalogue_; }
    QTreeWidgetItem* ItemOf(int id) const;
    int CheckValue(const QTreeWidgetItem* item) const;
    const FileTypeEntry* EntryOf(const QTreeWidgetItem* item) const;

    // Where an item's check box is drawn (viewport coordinates).
    QRect CheckBoxRect(const QTreeWidgetItem* item) const;

Q_SIGNALS:
    // After every toggle: whether anything is checked now.
    void CheckedChanged(bool hasChecked);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleClick(QMouseEvent* event);
    QTreeWidgetItem* Insert(int id);
    void SetValue(QTreeWidgetItem* item, int value);
    void SetSubtree(QTreeWidgetItem* item, int value);
    void Recompute(QTreeWidgetItem* parent);

    CMapFileTypeInfo catalogue_;
    std::map<int, QTreeWidgetItem*> items_;
    int textIndent_ = 0;
    bool defaultClicks_ = true;
};

class CTypeRecoveryDrawTreeCtrl : public CTypeOfFileToRecoveryTreeCtrl {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 65;
    static constexpr int kIconSize = 32;

    explicit CTypeRecoveryDrawTreeCtrl(QWidget* parent = nullptr);

    // The picture of a catalogue icon index (0 every type, then the groups).
    static QIcon TypeIcon(int iconIndex);
    // The second line of a row: the group's comment, a type's extensions.
    static QString SecondLine(const FileTypeEntry& entry);
};

}  // namespace qm
