// What the file lists show of a found file and how they order it: the cell
// text of each of the six columns, and the sort of a column. Plain logic,
// without a window, so the rules are tested on their own.
#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <vector>

class CFileNode;

namespace qm {

enum FileListColumn : int {
  kColumnName = 0,
  kColumnSize = 1,
  kColumnType = 2,
  kColumnModified = 3,
  kColumnCreated = 4,
  kColumnAccessed = 5,
  kFileListColumnCount = 6,
};

struct FileListColumnInfo {
  unsigned headerString;
  int width;
};

// Header string id and width of each column.
const FileListColumnInfo& FileListColumnAt(int column);

// The text of a cell; empty where the node's properties do not declare the
// field valid, for a node without properties and for an unknown column.
QString FileListCellText(const CFileNode* node, int column);

// The extension of a name without its dot ("" when there is none).
QString NameExtension(const QString& name);

struct FileListSortKey {
  int column = 0;
  bool descending = false;
};

// Sorts the rows by the key, in place. Rows whose properties lack the
// column's field count as smaller than every row that has it (so they come
// first in an ascending sort and last in a descending one); rows with equal
// keys keep their order. An unknown column leaves the rows as they are.
void SortFileRows(std::vector<CFileNode*>& rows, FileListSortKey key);

} // namespace qm
