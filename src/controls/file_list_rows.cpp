#include "controls/file_list_rows.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "app/format_text.h"
#include "filemodel/file_node.h"

namespace qm {
namespace {

constexpr std::array<FileListColumnInfo, kFileListColumnCount> kColumns{{
    {323, 180},
    {324, 100},
    {325, 90},
    {326, 140},
    {327, 140},
    {328, 140},
}};

constexpr std::uint32_t kColumnField[kFileListColumnCount] = {
    kValidName, kValidSize, kValidName, kValidLastWriteTime, kValidCreationTime, kValidLastAccessTime,
};

// A creation time that formats as this stands for "no date": the engine's
// own date text is shown instead.
constexpr const char* kNoDateText = "1601-1-1 0:0:0";

QString TimeText(const IFileProperties& properties, int column) {
  FileTime time = 0;
  if (column == kColumnModified)
    properties.GetLastWriteTime(&time);
  else if (column == kColumnCreated)
    properties.GetCreationTime(&time);
  else
    properties.GetLastAccessTime(&time);
  const std::string text = FormatDateTime(time);
  if (column == kColumnCreated && text == kNoDateText) return QString::fromUtf8(properties.GetDescription());
  return QString::fromStdString(text);
}

// One sort key per row, made once: comparing keys is cheap, and a row
// without the field gets the smallest key.
struct RowKey {
  bool present = false;
  std::uint64_t number = 0;
  QString text;
};

std::uint64_t TimeOf(const IFileProperties& properties, int column) {
  FileTime time = 0;
  if (column == kColumnModified)
    properties.GetLastWriteTime(&time);
  else if (column == kColumnCreated)
    properties.GetCreationTime(&time);
  else
    properties.GetLastAccessTime(&time);
  return time;
}

RowKey KeyOf(const CFileNode* node, int column) {
  RowKey key;
  const IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  if (properties == nullptr || (properties->GetValidFields() & kColumnField[column]) == 0) return key;
  key.present = true;
  switch (column) {
  case kColumnName:
    key.text = QString::fromUtf8(properties->GetName()).toCaseFolded();
    break;
  case kColumnType: {
    const QString name = QString::fromUtf8(properties->GetName());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    key.text = dot < 0 ? QString() : name.mid(dot).toCaseFolded();
    break;
  }
  case kColumnSize:
    key.number = properties->GetSize();
    break;
  default:
    key.number = TimeOf(*properties, column);
    break;
  }
  return key;
}

} // namespace

const FileListColumnInfo& FileListColumnAt(int column) {
  return kColumns[static_cast<std::size_t>(std::clamp(column, 0, kFileListColumnCount - 1))];
}

QString NameExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1);
}

QString FileListCellText(const CFileNode* node, int column) {
  const IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  if (properties == nullptr || column < 0 || column >= kFileListColumnCount) return {};
  if ((properties->GetValidFields() & kColumnField[column]) == 0) return {};
  switch (column) {
  case kColumnName:
    return QString::fromUtf8(properties->GetName());
  case kColumnSize:
    return QString::fromStdString(FormatSizeText(static_cast<std::int64_t>(properties->GetSize())));
  case kColumnType:
    return NameExtension(QString::fromUtf8(properties->GetName()));
  default:
    return TimeText(*properties, column);
  }
}

void SortFileRows(std::vector<CFileNode*>& rows, FileListSortKey key) {
  if (key.column < 0 || key.column >= kFileListColumnCount) return;
  std::vector<RowKey> keys;
  keys.reserve(rows.size());
  for (const CFileNode* node : rows)
    keys.push_back(KeyOf(node, key.column));
  std::vector<std::uint32_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0u);
  const bool text = key.column == kColumnName || key.column == kColumnType;
  // A strict weak ordering on (present, value): missing fields smallest.
  auto less = [&](std::uint32_t a, std::uint32_t b) {
    const RowKey& x = keys[a];
    const RowKey& y = keys[b];
    if (x.present != y.present) return !x.present;
    if (!x.present) return false;
    return text ? x.text < y.text : x.number < y.number;
  };
  if (key.descending)
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
  else
    std::stable_sort(order.begin(), order.end(), less);
  std::vector<CFileNode*> sorted;
  sorted.reserve(rows.size());
  for (std::uint32_t i : order)
    sorted.push_back(rows[i]);
  rows.swap(sorted);
}

} // namespace qm
