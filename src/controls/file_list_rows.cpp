#include "controls/file_list_rows.h"

#include <algorithm>
#include <array>

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

// One sort key per row, made once. A text key keeps its first twelve UTF-16
// units packed high first, so that comparing the three numbers compares the
// texts' starts without leaving the key; the whole text lies in one shared
// block, read only when the starts are equal. A number key is head[0].
struct SortEntry {
  std::uint64_t head[3] = {0, 0, 0};
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t position = 0;
  bool present = false;
};

constexpr std::uint32_t kHeadUnits = 12;

// Appends the column's text of a row, case-folded, to the block: the
// whole name, or its extension with the dot for the type column. Names in
// plain ASCII (most are) are folded here; others through Qt.
void AppendTextKey(SortEntry& entry, const IFileProperties& properties, int column,
                   std::vector<char16_t>& block) {
  const char* name = properties.GetName();
  std::string_view text = name != nullptr ? std::string_view(name) : std::string_view();
  if (column == kColumnType) {
    // A '.' byte is never part of a longer UTF-8 sequence.
    const std::size_t dot = text.rfind('.');
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot);
  }
  entry.offset = static_cast<std::uint32_t>(block.size());
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    for (const char c : text)
      block.push_back(static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
  } else {
    const QString folded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded();
    const auto* units = reinterpret_cast<const char16_t*>(folded.utf16());
    block.insert(block.end(), units, units + folded.size());
  }
  entry.length = static_cast<std::uint32_t>(block.size() - entry.offset);
  for (std::uint32_t i = 0; i < kHeadUnits && i < entry.length; ++i)
    entry.head[i / 4] |= static_cast<std::uint64_t>(block[entry.offset + i]) << (48 - 16 * (i % 4));
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
  const bool text = key.column == kColumnName || key.column == kColumnType;
  // The keys' buffers stay with the thread between sorts: a huge folder is
  // sorted again column after column, and first touching tens of megabytes
  // of fresh pages costs more than the sort itself.
  thread_local std::vector<SortEntry> entries;
  thread_local std::vector<char16_t> block;
  thread_local std::vector<CFileNode*> sorted;
  if (entries.capacity() > 2 * rows.size() + 65536) { // a small folder after a huge one gives the memory back
    entries = {};
    block = {};
    sorted = {};
  }
  entries.assign(rows.size(), SortEntry{});
  block.clear();
  if (key.column == kColumnName) {
    // Room for every name at once: UTF-8 never has fewer units than UTF-16.
    std::size_t units = 0;
    for (const CFileNode* row : rows)
      if (row != nullptr && row->GetProperties() != nullptr) units += row->GetProperties()->GetNameLength();
    block.reserve(units);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SortEntry& entry = entries[i];
    entry.position = static_cast<std::uint32_t>(i);
    const IFileProperties* properties = rows[i] != nullptr ? rows[i]->GetProperties() : nullptr;
    // A row without the field gets the smallest key.
    if (properties == nullptr || (properties->GetValidFields() & kColumnField[key.column]) == 0) continue;
    entry.present = true;
    if (text)
      AppendTextKey(entry, *properties, key.column, block);
    else
      entry.head[0] = key.column == kColumnSize ? properties->GetSize() : TimeOf(*properties, key.column);
  }
  // -1, 0 or 1 as the keys of a and b compare: missing smallest, then the
  // numbers, or the texts unit by unit (a text before any longer one it
  // starts).
  auto compare = [text](const SortEntry& a, const SortEntry& b) {
    if (a.present != b.present) return a.present ? 1 : -1;
    if (!a.present) return 0;
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0] ? -1 : 1;
    if (!text) return 0;
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1] ? -1 : 1;
    if (a.head[2] != b.head[2]) return a.head[2] < b.head[2] ? -1 : 1;
    if (a.length > kHeadUnits && b.length > kHeadUnits) {
      const std::u16string_view x(block.data() + a.offset + kHeadUnits, a.length - kHeadUnits);
      const std::u16string_view y(block.data() + b.offset + kHeadUnits, b.length - kHeadUnits);
      const int order = x.compare(y);
      return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    return a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
  };
  // The first position breaks ties, which makes the order total: a plain
  // sort then keeps rows with equal keys in their order, as a stable sort
  // would, at a fraction of the cost. Descending reverses the keys only.
  const bool descending = key.descending;
  std::sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
    const int order = compare(a, b);
    if (order != 0) return descending ? order > 0 : order < 0;
    return a.position < b.position;
  });
  sorted.clear();
  sorted.reserve(rows.size());
  for (const SortEntry& entry : entries)
    sorted.push_back(rows[entry.position]);
  std::copy(sorted.begin(), sorted.end(), rows.begin());
}

} // namespace qm
