#include "controls/file_type_tree.h"
#include "controls/raw_file_type_tree.h"
#include "controls/button_plus.h"

#include <QtCore/QDir>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace qm {
namespace {

// A catalogue of two groups: Docs (two types, one chosen) and Pictures (both chosen).
std::string WriteCatalogue()
{
    const std::string path = QDir::temp().filePath(QStringLiteral("controls_catalogue_%1.xml")
                                                       .arg(QCoreApplication::applicationPid()))
                                 .toStdString();
    std::ofstream(path) << R"(<?xml version="1.0" encoding="UTF-8"?>
<FileFilter RootName="All File Types" Selected="1" iconIndex="0">
  <FileCategory Description="Documents" Label="Docs" ShowComment="Office files" iconIndex="1" IsMutex="0">
    <Selected>1</Selected>
    <FileType Description="Word"><Extention>doc</Extention><Selected>2</Selected></FileType>
    <FileType Description="PDF"><Extention>pdf</Extention><Selected>0</Selected></FileType>
  </FileCategory>
  <FileCategory Description="Pictures" Label="Pictures" ShowComment="Photos" iconIndex="2" IsMutex="0">
    <Selected>2</Selected>
    <FileType Description="JPEG"><Extention>jpg</Extention><Extention>jpeg</Extention><Selected>2</Selected></FileType>
    <FileType Description="PNG"><Extention>png</Extention><Selected>2</Selected></FileType>
  </FileCategory>
</FileFilter>
)";
    return path;
}

QTreeWidgetItem* FindItem(QTreeWidget& tree, const QString& text)
{
    const auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

class FileTypeTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = WriteCatalogue();
        tree_.resize(600, 500);
        tree_.SetTextIndent(26);
        tree_.SetDefaultClicks(false);
        ASSERT_EQ(tree_.LoadTypes(path_.c_str()), 0);
        tree_.expandAll();
        tree_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree_));
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::string path_;
    CTypeRecoveryDrawTreeCtrl tree_;
};

TEST_F(FileTypeTreeTest, BuildsGroupsUnderTheTopItemWithStoredValues)
{
    ASSERT_EQ(tree_.topLevelItemCount(), 1);
    QTreeWidgetItem* top = tree_.topLevelItem(0);
    EXPECT_EQ(top->text(0), QStringLiteral("All File Types"));
    ASSERT_EQ(top->childCount(), 2);
    EXPECT_EQ(top->child(0)->text(0), QStringLiteral("Docs"));
    EXPECT_EQ(tree_.CheckValue(top->child(0)), 1);
    EXPECT_EQ(tree_.CheckValue(top->child(1)), 2);
    EXPECT_EQ(tree_.CheckValue(top), 1);
    EXPECT_FALSE(tree_.IsTreeChecked());
    EXPECT_TRUE(tree_.HasCheckedType());
    EXPECT_EQ(tree_.visualItemRect(top).height(), CTypeRecoveryDrawTreeCtrl::kRowHeight);
    EXPECT_EQ(CTypeRecoveryDrawTreeCtrl::SecondLine(*tree_.EntryOf(FindItem(tree_, "JPEG"))),
              QStringLiteral("*.jpg; *.jpeg"));
}

TEST_F(FileTypeTreeTest, ClickOnCheckBoxCascadesDownAndUp)
{
    QTreeWidgetItem* docs = FindItem(tree_, "Docs");
    QSignalSpy changed(&tree_, &CTypeOfFileToRecoveryTreeCtrl::CheckedChanged);
    // A partly checked group becomes fully checked, and with it every type.
    QTest::mouseClick(tree_.viewport(), Qt::LeftButton, {}, tree_.CheckBoxRect(docs).center());
    EXPECT_EQ(tree_.CheckValue(docs), 2);
    EXPECT_EQ(tree_.CheckValue(FindItem(tree_, "PDF")), 2);
    EXPECT_EQ(tree_.EntryOf(FindItem(tree_, "PDF"))->checkState, 2);
    EXPECT_TRUE(tree_.IsTreeChecked());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_TRUE(changed.first().first().toBool());

    // Unchecking a group's types one by one: the last one clears the group.
    tree_.Toggle(FindItem(tree_, "JPEG"));
    EXPECT_EQ(tree_.CheckValue(FindItem(tree_, "Pictures")), 1);
    EXPECT_EQ(tree_.CheckValue(tree_.topLevelItem(0)), 1);
    tree_.Toggle(FindItem(tree_, "PNG"));
    EXPECT_EQ(tree_.CheckValue(FindItem(tree_, "Pictures")), 0);
    EXPECT_EQ(tree_.EntryOf(FindItem(tree_, "Pictures"))->checkState, 0);

    // Unchecking everything: nothing checked is left.
    tree_.Toggle(tree_.topLevelItem(0));
    tree_.Toggle(tree_.topLevelItem(0));
    EXPECT_FALSE(tree_.HasCheckedType());
    EXPECT_FALSE(changed.last().first().toBool());
}

TEST_F(FileTypeTreeTest, ClickOnLabelNeitherSelectsNorToggles)
{
    QTreeWidgetItem* pdf = FindItem(tree_, "PDF");
    const QRect row = tree_.visualItemRect(pdf);
    QTest::mouseClick(tree_.viewport(), Qt::LeftButton, {}, QPoint(row.left() + 120, row.center().y()));
    EXPECT_EQ(tree_.CheckValue(pdf), 0);
    EXPECT_FALSE(pdf->isSelected());
}

TEST(FileTypeTree, CatalogueThatFailsToLoadLeavesTheTreeEmpty)
{
    CTypeOfFileToRecoveryTreeCtrl tree;
    EXPECT_NE(tree.LoadTypes("/nonexistent/FileFilter.xml"), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_FALSE(tree.HasCheckedType());
    EXPECT_FALSE(tree.IsTreeChecked());
}

TEST(RawFileTypeTree, TogglesGroupsAndTypesAndPacksData)
{
    CRawFileTypeTreeCtrl tree;
    QTreeWidgetItem* pictures = tree.AddGroup(QStringLiteral("Pictures"));
    QTreeWidgetItem* jpg = tree.AddType(pictures, QStringLiteral("JPG"), 33, false);
    QTreeWidgetItem* png = tree.AddType(pictures, QStringLiteral("PNG"), 47, true);
    EXPECT_EQ(CRawFileTypeTreeCtrl::TypeIdOf(tree.ItemData(png)), 47);
    EXPECT_EQ(tree.CheckValue(pictures), 1);

    tree.Toggle(pictures); // partly checked -> everything checked
    EXPECT_EQ(tree.CheckValue(jpg), 2);
    EXPECT_EQ(tree.CheckValue(pictures), 2);
    EXPECT_EQ(tree.CheckedTypes(), (std::vector<int>{33, 47}));

    tree.Toggle(jpg);
    tree.Toggle(png); // the last checked type clears the group
    EXPECT_EQ(tree.CheckValue(pictures), 0);
    EXPECT_EQ(png->checkState(0), Qt::Unchecked);

    tree.CheckType(99); // not shown: nothing checked, groups still recomputed
    EXPECT_EQ(tree.CheckValue(pictures), 0);
    tree.CheckType(33);
    EXPECT_EQ(tree.CheckValue(pictures), 1);
    EXPECT_EQ(tree.CheckedTypes(), (std::vector<int>{33}));
}

TEST(ButtonPlus, ReportsHoverWithItsPrompt)
{
    CButtonPlus button(1000, QStringLiteral("Deleted"));
    button.SetPromptText(QStringLiteral("  Deleted  "));
    QSignalSpy shown(&button, &CButtonPlus::PromptShown);
    QSignalSpy hidden(&button, &CButtonPlus::PromptHidden);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&button, &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.first().at(1).toString(), QStringLiteral("  Deleted  "));
    EXPECT_EQ(hidden.count(), 1);
}

}  // namespace
}  // namespace qm

#include "controls/file_type_name_table.h"

namespace qm {
namespace {

TEST(FileTypeNameTable, SharesEntriesByNameAndListsAllFilesFirst)
{
    CFileTypeNameTable table;
    table.AddType("Text document", ".txt");
    table.AddType("Text document", ".text");
    EXPECT_EQ(table.GetMap().at("Text document"), ".txt;.text");

    table.Clear();
    table.Load();
    ASSERT_GE(table.GetMap().size(), 3u);
    auto it = table.GetMap().begin();
    EXPECT_EQ(it->first, ".00(All Files)");
    EXPECT_EQ((++it)->first, ".01File");
    // The desktop knows PNG pictures; the name starts with a capital.
    const std::string png = CFileTypeNameTable::GetTypeInfo("png");
    ASSERT_FALSE(png.empty());
    EXPECT_TRUE(png[0] >= 'A' && png[0] <= 'Z');
    EXPECT_NE(table.GetMap().at(png).find(".png"), std::string::npos);
    EXPECT_TRUE(CFileTypeNameTable::GetTypeInfo("no-such-extension-here").empty());
}

}  // namespace
}  // namespace qm
