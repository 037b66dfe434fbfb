#include "controls/explore_tree.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ExploreTree, ReadsAFolderWhenItsBranchOpensAndNamesPaths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("b/inner")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("a")));
    QFile(root.filePath(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly);

    CExploreTreeCtrl tree;
    QString selected;
    tree.SetSelectionCallback([&](const QString& path) { selected = path; });
    QTreeWidgetItem* top = tree.AddRoot(QStringLiteral("Scratch"), dir.path());
    EXPECT_EQ(top->childCount(), 0); // nothing read yet
    top->setExpanded(true);
    ASSERT_EQ(top->childCount(), 2); // folders only, in name order
    EXPECT_EQ(top->child(0)->text(0), QStringLiteral("a"));
    EXPECT_EQ(top->child(0)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    QTreeWidgetItem* b = top->child(1);
    EXPECT_EQ(b->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    b->setExpanded(true);
    ASSERT_EQ(b->childCount(), 1);
    tree.setCurrentItem(b->child(0));
    EXPECT_EQ(tree.GetSelectedPath(), root.filePath(QStringLiteral("b/inner")));
    EXPECT_EQ(selected, tree.GetSelectedPath());
    EXPECT_FALSE(CExploreTreeCtrl::HasSubfolders(root.filePath(QStringLiteral("a"))));
}

TEST(EditPlus, ControlKeysActOnTheBox)
{
    CEditPlus edit;
    edit.setText(QStringLiteral("recovered"));
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.selectedText(), QStringLiteral("recovered"));
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(edit.text().isEmpty());
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("recovered"));
}

}  // namespace
}  // namespace qm
