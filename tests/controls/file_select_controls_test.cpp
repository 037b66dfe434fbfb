// The controls of the file-select page on small hand-made trees: the list's
// cell texts and sort rules, the folder tree's labels, images, first
// selection and check toggles, the list's check box and Select buttons, the
// tab strip's geometry and the splitter's limits.
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/breviary_image_list_ctrl.h"
#include "controls/ex_splitter_wnd.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_list_rows.h"
#include "controls/file_select_ctrl_container.h"
#include "controls/file_tree_ctrl.h"
#include "controls/list_ctrl_plus.h"
#include "controls/tab_ctrl_plus.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

struct Spec {
  const char* name = "";
  std::uint64_t size = 0;
  std::uint16_t attributes = 0;
  std::uint16_t state = 0;
  std::uint32_t valid = kValidAll;
  FileTime written = 0;
  FileTime created = 0;
  FileTime accessed = 0;
  const char* description = "";
};

std::unique_ptr<IFileProperties> Properties(const Spec& spec) {
  CMyFileProperties::Record record;
  std::snprintf(record.name, sizeof record.name, "%s", spec.name);
  record.size = spec.size;
  record.attributes = spec.attributes;
  record.state = spec.state;
  record.validFields = spec.valid;
  record.lastWriteTime = spec.written;
  record.creationTime = spec.created;
  record.lastAccessTime = spec.accessed;
  record.description = spec.description;
  auto properties = CreateMyFileProperties();
  properties->CopyRecord(record);
  return properties;
}

CFileNode* Add(CFileNode* parent, const Spec& spec) {
  CFileNode* node = CreateFileNode();
  node->SetProperties(Properties(spec));
  if (parent != nullptr) parent->AddChild(node);
  return node;
}

CFileNode* Folder(CFileNode* parent, const char* name, std::uint16_t state = 0) {
  return Add(parent, {.name = name, .attributes = kAttrFolder, .state = state});
}

struct TreeDeleter {
  void operator()(CFileNode* root) const { DeleteFileTree(root); }
};
using Tree = std::unique_ptr<CFileSystemNode, TreeDeleter>;

Tree MakeRoot() {
  Tree root(CreateFileSystemNode());
  root->SetProperties(Properties({.name = "Root", .attributes = kAttrFolder}));
  return root;
}

std::vector<std::string> Names(const std::vector<CFileNode*>& rows) {
  std::vector<std::string> out;
  for (const CFileNode* node : rows)
    out.emplace_back(node->GetProperties()->GetName());
  return out;
}

// 2021-03-04 05:06:07 UTC as a file time, plus seconds.
constexpr FileTime kTime = 132593079670000000ull;
FileTime At(int seconds) { return kTime + static_cast<FileTime>(seconds) * 10000000ull; }

TEST(ThumbnailCaption, BreaksBetweenWordsOnlyAndCutsTheRestInTheMiddle) {
  const QFontMetrics metrics(QApplication::font());
  const int width = metrics.horizontalAdvance(QStringLiteral("holiday photo"));
  const QChar ellipsis(0x2026);
  // Fits: as it is.
  EXPECT_EQ(ThumbnailCaptionLines(QStringLiteral("a.jpg"), metrics, width), QStringList{QStringLiteral("a.jpg")});
  // Words: the first line ends where a word does; the rest is cut in the middle.
  const QString words = QStringLiteral("holiday photo from the lake at dawn.jpg");
  const QStringList two = ThumbnailCaptionLines(words, metrics, width);
  ASSERT_EQ(two.size(), 2);
  EXPECT_EQ(two[0], QStringLiteral("holiday photo"));
  EXPECT_TRUE(two[1].startsWith(QStringLiteral("from")));
  EXPECT_TRUE(two[1].endsWith(QStringLiteral(".jpg")));
  EXPECT_TRUE(two[1].contains(ellipsis));
  // Underscores break too.
  const QStringList camera = ThumbnailCaptionLines(QStringLiteral("IMG_20230512_143355.jpg"), metrics,
                                                   metrics.horizontalAdvance(QStringLiteral("IMG_20230512_")));
  ASSERT_EQ(camera.size(), 2);
  EXPECT_EQ(camera[0], QStringLiteral("IMG_20230512_"));
  // One long word: one line, cut in the middle, its end kept.
  const QStringList one = ThumbnailCaptionLines(QStringLiteral("Averyveryverylongfilenamewithoutbreaks"), metrics, width);
  ASSERT_EQ(one.size(), 1);
  EXPECT_TRUE(one[0].contains(ellipsis));
  EXPECT_TRUE(one[0].endsWith(QStringLiteral("s")));
  for (const QStringList& lines : {two, camera, one})
    for (const QString& line : lines)
      EXPECT_LE(metrics.horizontalAdvance(line), std::max(width, metrics.horizontalAdvance(camera[0])));
}

TEST(FileListRows, CellsAreEmptyWhereTheFieldIsNotValid) {
  Tree root = MakeRoot();
  CFileNode* full = Add(root.get(), {.name = "Report.Final.DOCX",
                                     .size = 3 * 1024 * 1024,
                                     .written = kTime,
                                     .created = At(1),
                                     .accessed = At(2)});
  CFileNode* bare = Add(root.get(), {.name = "hidden.txt", .size = 10, .valid = kValidSize});
  CFileNode* noExtension = Add(root.get(), {.name = "README"});
  CFileNode* noDate =
      Add(root.get(), {.name = "a.bin", .created = 0, .description = "deleted on 2020-01-01"});
  EXPECT_EQ(FileListCellText(full, kColumnName), QStringLiteral("Report.Final.DOCX"));
  EXPECT_EQ(FileListCellText(full, kColumnSize), QStringLiteral("3.00 MB"));
  EXPECT_EQ(FileListCellText(full, kColumnType), QStringLiteral("DOCX"));
  EXPECT_EQ(FileListCellText(full, kColumnModified), QStringLiteral("2021-3-4 5:6:7"));
  EXPECT_EQ(FileListCellText(full, kColumnCreated), QStringLiteral("2021-3-4 5:6:8"));
  EXPECT_EQ(FileListCellText(full, kColumnAccessed), QStringLiteral("2021-3-4 5:6:9"));
  for (int column : {kColumnName, kColumnType, kColumnModified, kColumnCreated, kColumnAccessed})
    EXPECT_TRUE(FileListCellText(bare, column).isEmpty()) << column;
  EXPECT_FALSE(FileListCellText(bare, kColumnSize).isEmpty());
  EXPECT_TRUE(FileListCellText(noExtension, kColumnType).isEmpty());
  // A creation time of "no date" shows the engine's own text.
  EXPECT_EQ(FileListCellText(noDate, kColumnCreated), QStringLiteral("deleted on 2020-01-01"));
  EXPECT_TRUE(FileListCellText(full, 6).isEmpty());
  EXPECT_TRUE(FileListCellText(nullptr, 0).isEmpty());
}

TEST(FileListRows, SortTable) {
  Tree root = MakeRoot();
  // Names chosen so that every column orders them differently; "nameless"
  // rows lack the field the column sorts by.
  std::vector<CFileNode*> rows = {
      Add(root.get(), {.name = "b.TXT", .size = 30, .written = At(3), .created = At(1), .accessed = At(2)}),
      Add(root.get(), {.name = "Zeta", .size = 10, .written = At(1), .created = At(3), .accessed = At(1)}),
      Add(root.get(), {.name = "x1", .size = 5, .valid = kValidSize}),
      Add(root.get(), {.name = "a.jpg", .size = 30, .written = At(2), .created = At(2), .accessed = At(3)}),
      Add(root.get(), {.name = "x2", .size = 7, .valid = kValidSize}),
      Add(root.get(), {.name = "C.txt", .size = 20, .written = At(2), .created = At(1), .accessed = At(2)}),
  };
  struct Case {
    int column;
    bool descending;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      // Missing fields smallest, kept in their order; names case-insensitive.
      {kColumnName, false, {"x1", "x2", "a.jpg", "b.TXT", "C.txt", "Zeta"}},
      {kColumnName, true, {"Zeta", "C.txt", "b.TXT", "a.jpg", "x1", "x2"}},
      // Equal sizes keep their order in both directions.
      {kColumnSize, false, {"x1", "x2", "Zeta", "C.txt", "b.TXT", "a.jpg"}},
      {kColumnSize, true, {"b.TXT", "a.jpg", "C.txt", "Zeta", "x2", "x1"}},
      // The empty extension is smallest; ".TXT" equals ".txt".
      {kColumnType, false, {"x1", "x2", "Zeta", "a.jpg", "b.TXT", "C.txt"}},
      {kColumnType, true, {"b.TXT", "C.txt", "a.jpg", "Zeta", "x1", "x2"}},
      {kColumnModified, false, {"x1", "x2", "Zeta", "a.jpg", "C.txt", "b.TXT"}},
      {kColumnCreated, false, {"x1", "x2", "b.TXT", "C.txt", "a.jpg", "Zeta"}},
      {kColumnAccessed, true, {"a.jpg", "b.TXT", "C.txt", "Zeta", "x1", "x2"}},
  };
  for (const Case& c : cases) {
    std::vector<CFileNode*> sorted = rows;
    SortFileRows(sorted, {c.column, c.descending});
    EXPECT_EQ(Names(sorted), c.expected) << "column " << c.column << (c.descending ? " descending" : "");
  }
  std::vector<CFileNode*> unknown = rows;
  SortFileRows(unknown, {7, false});
  EXPECT_EQ(unknown, rows);
}

TEST(FileListRows, RowsWithoutAnyValidFieldStayPutWhateverTheColumn) {
  // Rows that compare equal to everything made the old ordering unsafe:
  // here every second row has no fields, and every sort must still give a
  // permutation with those rows in their first order.
  Tree root = MakeRoot();
  std::vector<CFileNode*> rows;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "n" + std::to_string((i * 37) % 101);
    rows.push_back(Add(root.get(), {.name = name.c_str(),
                                    .size = static_cast<std::uint64_t>((i * 13) % 17),
                                    .valid = i % 2 == 0 ? kValidAll : 0u,
                                    .written = At(i % 7)}));
  }
  for (int column = 0; column < kFileListColumnCount; ++column) {
    for (bool descending : {false, true}) {
      std::vector<CFileNode*> sorted = rows;
      SortFileRows(sorted, {column, descending});
      std::vector<CFileNode*> empties;
      for (CFileNode* node : sorted)
        if (node->GetProperties()->GetValidFields() == 0) empties.push_back(node);
      std::vector<CFileNode*> expected;
      for (CFileNode* node : rows)
        if (node->GetProperties()->GetValidFields() == 0) expected.push_back(node);
      EXPECT_EQ(empties, expected) << column;
      // Smallest: first when ascending, last when descending.
      if (descending)
        EXPECT_EQ(sorted.back(), expected.back()) << column;
      else
        EXPECT_EQ(sorted.front(), expected.front()) << column;
    }
  }
}

TEST(ListCtrlPlus, HeaderClicksTurnTheDirectionAndKeepTheSelection) {
  Tree root = MakeRoot();
  std::vector<CFileNode*> rows = {Add(root.get(), {.name = "b"}), Add(root.get(), {.name = "c"}),
                                  Add(root.get(), {.name = "a"})};
  CListCtrlPlus list;
  list.SetRows(&rows);
  list.resize(700, 200);
  list.show();
  list.SelectRow(1); // "c"
  EXPECT_FALSE(list.NextSortDescending(0));
  list.OnColumnClick(0);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(list.header()->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_EQ(list.GetSelectedRow(), 2);
  EXPECT_TRUE(list.NextSortDescending(0));
  list.OnColumnClick(0);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(CListCtrlPlus::ArrowColumn(), 0);
  EXPECT_EQ(list.GetSelectedRow(), 0);
  // A click in the header sorts too.
  QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {},
                    QPoint(list.header()->sectionViewportPosition(1) + 10, 5));
  EXPECT_EQ(CListCtrlPlus::ArrowColumn(), 1);
}

TEST(ListCtrlPlus, RowsShowDeletedMarkAndAttributeColours) {
  EXPECT_EQ(FileRowColour(kAttrCompressed), QColor(0, 0, 255));
  EXPECT_EQ(FileRowColour(kAttrCompressed | kAttrEncrypted), QColor(0, 0, 255));
  EXPECT_EQ(FileRowColour(kAttrEncrypted), QColor(0, 0xA0, 0));
  EXPECT_FALSE(FileRowColour(kAttrArchive).isValid());
  const QImage plain = FileTypeIcon(QStringLiteral("x.zz9"), false).pixmap(16, 16).toImage();
  const QImage marked = FileTypeIcon(QStringLiteral("y.zz9"), true).pixmap(16, 16).toImage();
  EXPECT_NE(plain, marked);
  // A damaged file has a sign of its own, with or without the cross.
  const QImage damaged = FileTypeIcon(QStringLiteral("z.zz9"), false, true).pixmap(16, 16).toImage();
  const QImage both = FileTypeIcon(QStringLiteral("w.zz9"), true, true).pixmap(16, 16).toImage();
  EXPECT_NE(damaged, plain);
  EXPECT_NE(damaged, marked);
  EXPECT_NE(both, marked);
  EXPECT_NE(both, damaged);
  // The list asks for it by the node's state.
  Tree root = MakeRoot();
  CFileNode* file =
      Add(root.get(), {.name = "v.zz9", .state = static_cast<std::uint16_t>(kStateDeleted | kStateDamaged)});
  std::vector<CFileNode*> rows{file};
  CFileListModel model;
  model.SetRows(&rows);
  const QIcon shown = model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>();
  EXPECT_EQ(shown.pixmap(16, 16).toImage(), both);

  // Both views of the states, to look at.
  std::vector<CFileNode*> states;
  const std::pair<const char*, std::uint16_t> kinds[] = {
      {"report.doc", 0},
      {"photo.jpg", kStateDeleted},
      {"notes.txt", kStateDamaged},
      {"movie.avi", static_cast<std::uint16_t>(kStateDeleted | kStateDamaged)}};
  for (const auto& [name, state] : kinds)
    states.push_back(Add(root.get(), {.name = name, .size = 1000, .state = state}));
  CFileListCtrl list;
  list.resize(640, 260);
  list.SetFileNodes(root.get(), states);
  EXPECT_FALSE(test::SaveToGallery(list, QStringLiteral("controls_file_list_states")).isEmpty());
  list.OnViewCommand(CFileListCtrl::kCommandThumbnail);
  EXPECT_FALSE(test::SaveToGallery(list, QStringLiteral("controls_file_list_states_thumbnails")).isEmpty());
}

TEST(FileTreeCtrl, LabelsImagesAndFirstSelection) {
  Tree root = MakeRoot();
  CFileNode* volume = Add(root.get(), {.name = "VOL", .attributes = kAttrFolder});
  CFileNode* docs = Folder(volume, "docs");
  for (int i = 0; i < 3; ++i)
    Add(docs, {.name = "f.txt"});
  Folder(docs, "b");
  Folder(docs, "A");
  EXPECT_EQ(FolderLabel(docs), QStringLiteral("docs (5)"));
  EXPECT_EQ(FolderLabel(volume), QStringLiteral("VOL (1)"));

  struct Case {
    std::uint16_t state;
    bool fileSystem;
    int image;
  };
  for (const Case& c : {Case{0x8 | 0x1, false, 4}, Case{0x10 | 0x1, false, 3}, Case{0x1, true, 2},
                        Case{0, true, 0}, Case{0, false, 1}}) {
    auto properties = Properties({.name = "f", .attributes = kAttrFolder, .state = c.state});
    EXPECT_EQ(FolderImageIndex(properties.get(), c.fileSystem), c.image) << c.state;
  }

  CFileSelectCtrlContainer container;
  container.resize(800, 400);
  container.show();
  CFileTreeCtrl& tree = *container.GetTreePane();
  tree.SetRootNode(root.get());
  // One volume: selected and expanded, its files listed.
  EXPECT_EQ(tree.GetSelectedNode(), volume);
  EXPECT_TRUE(tree.GetTreeCtrl()->isExpanded(tree.Model()->IndexOf(volume)));
  const QModelIndex docsItem = tree.Model()->IndexOf(docs);
  ASSERT_TRUE(docsItem.isValid());
  // Sub-folders sorted by name, case-insensitively.
  EXPECT_EQ(tree.Model()->index(0, 0, docsItem).data().toString(), QStringLiteral("A (0)"));
  EXPECT_EQ(tree.Model()->index(1, 0, docsItem).data().toString(), QStringLiteral("b (0)"));
  ASSERT_TRUE(tree.SelectNode(docs));
  EXPECT_EQ(container.GetListPane()->RowCount(), 3);
  EXPECT_EQ(container.GetListPane()->GetFolderNode(), docs);

  // Two volumes: both collapsed, the first selected.
  Tree two = MakeRoot();
  CFileNode* first = Folder(two.get(), "B-first");
  Folder(first, "inner");
  Folder(two.get(), "A-second");
  tree.SetRootNode(two.get());
  EXPECT_EQ(tree.Model()->rowCount(), 2);
  EXPECT_EQ(tree.GetSelectedNode(), tree.Model()->NodeOf(tree.Model()->index(0, 0)));
  EXPECT_FALSE(tree.GetTreeCtrl()->isExpanded(tree.Model()->index(0, 0)));
  tree.SetRootNode(nullptr);
  EXPECT_EQ(tree.Model()->rowCount(), 0);
}

TEST(FileTreeCtrl, SubFoldersAreSortedDownToAFolderWithStateBit10) {
  // Children are added in the order written; state bit 0x10 on Carved,
  // "1-300" and Alpha.
  Tree root = MakeRoot();
  CFileNode* zeta = Folder(root.get(), "Zeta");
  CFileNode* alpha = Folder(root.get(), "Alpha", 0x10);
  CFileNode* docs = Folder(zeta, "docs");
  CFileNode* carved = Folder(zeta, "Carved", 0x10);
  CFileNode* jpeg = Folder(carved, "JPEG");
  Folder(carved, "BMP");
  CFileNode* first = Folder(jpeg, "1-300", 0x10);
  Folder(jpeg, "301-600");
  Folder(jpeg, "1201-1500");
  CFileNode* inner = Folder(first, "y");
  Folder(first, "x");
  Folder(inner, "n");
  Folder(inner, "m");
  CFileNode* sub = Folder(docs, "b");
  Folder(docs, "a");
  Folder(sub, "k2");
  Folder(sub, "k1");
  CFileNode* lower = Folder(alpha, "t");
  Folder(alpha, "s");
  Folder(lower, "w");
  Folder(lower, "v");

  CFileTreeModel model;
  model.SetRoot(root.get());
  auto shown = [&](const CFileNode* folder) {
    const QModelIndex at = folder == root.get() ? QModelIndex() : model.IndexOf(folder);
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(at); ++row)
      names.emplace_back(model.NodeOf(model.index(row, 0, at))->GetProperties()->GetName());
    return names;
  };
  struct Case {
    const CFileNode* folder;
    bool sorted;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {root.get(), false, {"Zeta", "Alpha"}}, // the top level is never sorted
      {zeta, true, {"Carved", "docs"}},
      {docs, true, {"a", "b"}},
      {sub, true, {"k1", "k2"}},                        // sorting goes on below folders without the bit
      {carved, true, {"BMP", "JPEG"}},                  // the folder with the bit sorts its own
      {jpeg, false, {"1-300", "301-600", "1201-1500"}}, // deeper ones keep their order
      {first, false, {"y", "x"}},                       // a second bit changes nothing below
      {inner, false, {"n", "m"}},
      {alpha, true, {"s", "t"}},
      {lower, false, {"w", "v"}}, // below a top-level folder with the bit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder->GetProperties()->GetName());
    EXPECT_EQ(SortsSubFolders(c.folder, root.get()), c.sorted);
    EXPECT_EQ(shown(c.folder), c.names);
  }
}

// Volume / a / { b / { f1, f2 }, f3 }, c / { f4 }: every file checked
// first, then folders toggled.
class TreeToggle : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = MakeRoot();
    volume_ = Folder(root_.get(), "VOL");
    a_ = Folder(volume_, "a");
    b_ = Folder(a_, "b");
    f1_ = Add(b_, {.name = "f1", .size = 100});
    f2_ = Add(b_, {.name = "f2", .size = 200});
    f3_ = Add(a_, {.name = "f3", .size = 300});
    c_ = Folder(volume_, "c");
    f4_ = Add(c_, {.name = "f4", .size = 400});
    root_->UpdateSelectionSummary();
    container_.resize(800, 400);
    container_.show();
    tree().SetRootNode(root_.get());
  }
  CFileTreeCtrl& tree() { return *container_.GetTreePane(); }
  CFileListCtrl& list() { return *container_.GetListPane(); }
  std::uint8_t State(CFileNode* node) { return node->GetProperties()->GetCheckState(); }
  Qt::CheckState Shown(CFileNode* node) {
    return tree().Model()->IndexOf(node).data(Qt::CheckStateRole).value<Qt::CheckState>();
  }

  Tree root_;
  CFileNode *volume_, *a_, *b_, *c_, *f1_, *f2_, *f3_, *f4_;
  CFileSelectCtrlContainer container_;
};

TEST_F(TreeToggle, AFolderTakesItsSubtreeAlongAndItsAncestorsFollow) {
  QSignalSpy changed(&tree(), &CFileTreeCtrl::ChecksChanged);
  tree().ToggleCheck(tree().Model()->IndexOf(b_));
  EXPECT_EQ(changed.count(), 1);
  for (CFileNode* file : {f1_, f2_})
    EXPECT_EQ(State(file), kChecked);
  EXPECT_EQ(State(f3_), kUnchecked);
  EXPECT_EQ(Shown(b_), Qt::Checked);
  EXPECT_EQ(Shown(a_), Qt::PartiallyChecked);
  EXPECT_EQ(Shown(volume_), Qt::PartiallyChecked);
  EXPECT_EQ(root_->Summary().checkedFiles, 2u);
  EXPECT_EQ(root_->Summary().checkedBytes, 300u);

  tree().ToggleCheck(tree().Model()->IndexOf(volume_));
  EXPECT_EQ(Shown(volume_), Qt::Checked);
  EXPECT_EQ(root_->Summary().checkedFiles, 4u);
  // A checked folder unchecks everything below it.
  tree().ToggleCheck(tree().Model()->IndexOf(a_));
  for (CFileNode* file : {f1_, f2_, f3_})
    EXPECT_EQ(State(file), kUnchecked);
  EXPECT_EQ(Shown(b_), Qt::Unchecked);
  EXPECT_EQ(Shown(volume_), Qt::PartiallyChecked);
  EXPECT_EQ(root_->Summary().checkedFiles, 1u);
  // The window is usable again.
  EXPECT_TRUE(container_.isEnabled());
}

TEST_F(TreeToggle, AClickOnABoxOnlyFlipsItAndHeldSpaceFlipsOnceOnKeyUp) {
  // The toggle runs after the event that asked for it, on a worker.
  const auto waitFor = [](const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i)
      QTest::qWait(5);
    return done();
  };
  ASSERT_TRUE(tree().SelectNode(c_));
  CTriStateTreeView& view = *tree().GetTreeCtrl();
  const QModelIndex a = tree().Model()->IndexOf(a_);
  const QRect box = view.CheckBoxRect(a);
  ASSERT_FALSE(box.isEmpty());
  ASSERT_TRUE(view.visualRect(a).contains(box.center()));
  const bool expanded = view.isExpanded(a);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box.center());
  ASSERT_TRUE(waitFor([&] { return State(f3_) == kChecked; }));
  // Neither selected nor expanded: the list still shows the folder it did.
  EXPECT_EQ(tree().GetSelectedNode(), c_);
  EXPECT_EQ(list().GetFolderNode(), c_);
  EXPECT_EQ(view.isExpanded(a), expanded);
  QTest::qWait(30);
  EXPECT_EQ(State(f3_), kChecked); // flipped once, not back on the release
  // A click beside the box selects as before.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(a).center() + QPoint(20, 0));
  EXPECT_EQ(tree().GetSelectedNode(), a_);
  EXPECT_EQ(State(f3_), kChecked);

  // Space held on the selected folder: presses repeat, one toggle on the
  // last release.
  ASSERT_TRUE(tree().SelectNode(c_));
  const auto key = [&](QEvent::Type type, bool repeat) {
    QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
    QApplication::sendEvent(&view, &event);
  };
  key(QEvent::KeyPress, false);
  for (int i = 0; i < 3; ++i) {
    key(QEvent::KeyRelease, true);
    key(QEvent::KeyPress, true);
  }
  QTest::qWait(30);
  EXPECT_EQ(State(f4_), kUnchecked);
  key(QEvent::KeyRelease, false);
  ASSERT_TRUE(waitFor([&] { return State(f4_) == kChecked; }));
  QTest::qWait(30);
  EXPECT_EQ(State(f4_), kChecked);
}

TEST_F(TreeToggle, TheListIsRedrawnOnlyWhenItsFolderIsUnderTheToggledOne) {
  ASSERT_TRUE(tree().SelectNode(b_));
  ASSERT_EQ(list().GetFolderNode(), b_);
  int redraws = list().RedrawCount();
  tree().ToggleCheck(tree().Model()->IndexOf(c_));
  EXPECT_EQ(list().RedrawCount(), redraws);
  tree().ToggleCheck(tree().Model()->IndexOf(a_));
  EXPECT_EQ(list().RedrawCount(), redraws + 1);
  tree().ToggleCheck(tree().Model()->IndexOf(b_));
  EXPECT_EQ(list().RedrawCount(), redraws + 2);
}

TEST_F(TreeToggle, TheCheckBoxesOfTheListAndItsButtons) {
  ASSERT_TRUE(tree().SelectNode(b_));
  QSignalSpy changed(&list(), &CFileListCtrl::ChecksChanged);
  CListCtrlPlus& rows = list().GetReportList();
  ASSERT_EQ(rows.model()->rowCount(), 2);
  // A click on a row's check box ticks its file and the folders follow.
  const QModelIndex first = rows.model()->index(0, 0);
  CFileNode* firstNode = list().GetItemNode(0);
  ASSERT_TRUE(rows.model()->setData(first, Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(State(firstNode), kChecked);
  EXPECT_EQ(Shown(b_), Qt::PartiallyChecked);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(first.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

  list().Button(CFileListCtrl::kButtonSelect)->click();
  EXPECT_EQ(State(f1_), kChecked);
  EXPECT_EQ(State(f2_), kChecked);
  EXPECT_EQ(Shown(b_), Qt::Checked);
  EXPECT_EQ(Shown(a_), Qt::PartiallyChecked);
  EXPECT_EQ(root_->Summary().checkedFiles, 2u);
  list().Button(CFileListCtrl::kButtonDeselect)->click();
  EXPECT_EQ(State(f1_), kUnchecked);
  EXPECT_EQ(Shown(b_), Qt::Unchecked);
  EXPECT_EQ(Shown(volume_), Qt::Unchecked);
  EXPECT_EQ(root_->Summary().checkedFiles, 0u);
  EXPECT_EQ(changed.count(), 3);
}

TEST(TabCtrlPlus, GeometryAndTabs) {
  EXPECT_EQ(TabItemWidth(50, false), 90);
  EXPECT_EQ(TabItemWidth(50, true), 100);
  EXPECT_EQ(LayoutTabs({90, 100, 70}), (std::vector<int>{0, 94, 199}));
  EXPECT_EQ(TabCloseBox(QRect(0, 0, 100, 26)), QRect(QPoint(80, 8), QPoint(87, 17)));
  // The caption room of a further tab: what AddItem would still take.
  struct RoomCase {
    std::vector<int> widths;
    int strip;
    int room;
  };
  for (const RoomCase& c : std::vector<RoomCase>{{{}, 200, 160},
                                                 {{}, 30, -1},
                                                 {{90}, 500, 360},
                                                 {{90}, 140, 0},
                                                 {{90}, 139, -1},
                                                 {{90}, 91, -1},
                                                 {{90}, 89, -1},
                                                 {{90, 100}, 400, 160}}) {
    EXPECT_EQ(TabCaptionRoom(c.widths, c.strip), c.room) << c.strip;
  }

  CTabCtrlPlus tabs;
  tabs.resize(500, 300);
  QWidget first, second;
  EXPECT_FALSE(tabs.AddItem(QStringLiteral("none"), 0));
  ASSERT_EQ(tabs.AddChildWindow(&first), 0);
  ASSERT_EQ(tabs.AddChildWindow(&second), 1);
  ASSERT_TRUE(tabs.AddItem(QStringLiteral("Files"), 0));
  tabs.SetCurSel(0);
  tabs.show();
  EXPECT_TRUE(first.isVisible());
  EXPECT_FALSE(second.isVisible());
  EXPECT_EQ(first.geometry(),
            QRect(1, CTabCtrlPlus::kStripHeight + 1, 498, 300 - CTabCtrlPlus::kStripHeight - 2));
  ASSERT_TRUE(tabs.AddItem(QStringLiteral("Search files(*.jpg)"), 1));
  EXPECT_TRUE(tabs.CloseBoxRect(0).isNull());
  EXPECT_FALSE(tabs.CloseBoxRect(1).isNull());
  QSignalSpy changed(&tabs, &CTabCtrlPlus::SelectionChanged);
  QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.ItemRect(1).center() - QPoint(10, 0));
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(tabs.GetSelectedWindow(), &second);
  EXPECT_EQ(changed.count(), 1);
  // The close box removes the tab and shows the first again.
  const QPoint close = tabs.CloseBoxRect(1).center();
  QTest::mousePress(&tabs, Qt::LeftButton, {}, close);
  QTest::mouseRelease(&tabs, Qt::LeftButton, {}, close);
  EXPECT_EQ(tabs.GetItemCount(), 1);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_TRUE(first.isVisible());
  EXPECT_EQ(changed.count(), 2);
  // A strip too narrow takes no further tab; a caption cut to the room
  // left still does.
  tabs.resize(220, 300);
  const QString longCaption = QStringLiteral("Search files(a long pattern that does not fit)");
  EXPECT_FALSE(tabs.AddItem(longCaption, 1));
  const QString cut = tabs.FitItemText(longCaption);
  ASSERT_FALSE(cut.isEmpty());
  EXPECT_TRUE(cut.endsWith(QChar(0x2026)));
  EXPECT_TRUE(tabs.AddItem(cut, 1));
  EXPECT_EQ(tabs.FitItemText(QStringLiteral("Files")), QString());
  tabs.DeleteItem(1);
  EXPECT_EQ(tabs.FitItemText(QStringLiteral("ab")), QStringLiteral("ab"));
  tabs.resize(80, 300);
  EXPECT_EQ(tabs.FitItemText(longCaption), QString());
  for (QWidget* page : {&first, &second})
    page->setParent(nullptr);
}

TEST(FileSelectCtrlContainer, TheTreeColumnStaysBetweenItsLimits) {
  CFileSelectCtrlContainer container;
  container.resize(900, 400);
  container.show();
  CExSplitterWnd& splitter = *static_cast<CExSplitterWnd*>(container.GetTreePane()->parentWidget());
  EXPECT_EQ(splitter.FixedPaneSize(), CFileSelectCtrlContainer::kTreeWidth);
  for (auto [wanted, kept] : {std::pair{40, 100}, std::pair{700, 400}, std::pair{250, 250}}) {
    splitter.setSizes({wanted, 900 - wanted});
    Q_EMIT splitter.splitterMoved(wanted, 1);
    EXPECT_EQ(splitter.FixedPaneSize(), kept) << wanted;
  }
}

} // namespace
} // namespace qm
