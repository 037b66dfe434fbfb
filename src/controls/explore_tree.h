// A folder tree that reads a folder only when its branch is first opened,
// and an edit box whose Ctrl+A, C, V, X and Z always act on the box itself.
#pragma once

#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTreeWidget>

#include <functional>

namespace qm {

class CEditPlus : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class CExploreTreeCtrl : public QTreeWidget {
    Q_OBJECT

public:
    using SelectionCallback = std::function<void(const QString& path)>;

    explicit CExploreTreeCtrl(QWidget* parent = nullptr);

    // Folder paths begin with the base path.
    void SetBasePath(const QString& path) { basePath_ = path; }
    void SetSelectionCallback(SelectionCallback callback) { callback_ = std::move(callback); }

    // A top item for a folder (a mount point, the home folder).
    QTreeWidgetItem* AddRoot(const QString& text, const QString& path);
    QString ItemToPath(const QTreeWidgetItem* item) const;
    QString GetSelectedPath() const;
    // Whether the folder holds a subfolder (hidden ones do not count).
    static bool HasSubfolders(const QString& path);
    QTreeWidgetItem* InsertFolderItem(const QString& name, const QString& path, QTreeWidgetItem* parent);
    // Lists the subfolders of path under parent (replacing what was there).
    void DisplayPath(const QString& path, QTreeWidgetItem* parent);

private:
    QString basePath_;
    SelectionCallback callback_;
};

}  // namespace qm
