#include "preview/preview_paging.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/log.h"

namespace qm {
namespace {

bool ReadAt(const std::string& path, std::uint64_t offset, std::vector<std::uint8_t>& buffer,
            std::uint64_t& got) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  file.seekg(static_cast<std::streamoff>(offset));
  if (!file || static_cast<std::uint64_t>(file.tellg()) != offset) return false;
  file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
  got = static_cast<std::uint64_t>(file.gcount());
  return true;
}

bool IsUtf8Continuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

} // namespace

bool PreviewFileWindow::Open(const std::string& path) {
  Reset();
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return false;
  const std::streamoff size = file.tellg();
  if (size < 0) return false;
  const auto length = static_cast<std::uint64_t>(size);
  if (length > kPreviewMaxFileSize) {
    LogInfo("Preview of %s refused: %llu bytes is more than the 100 MiB a preview shows", path.c_str(),
            static_cast<unsigned long long>(length));
    return false;
  }
  buffer_.resize(static_cast<std::size_t>(std::min(length, kPreviewWindowSize)));
  std::uint64_t got = 0;
  if (!ReadAt(path, 0, buffer_, got)) {
    Reset();
    return false;
  }
  path_ = path;
  length_ = length;
  start_ = 0;
  end_ = got;
  open_ = true;
  return true;
}

void PreviewFileWindow::Reset() {
  path_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
  length_ = start_ = end_ = 0;
  open_ = false;
}

const std::uint8_t* PreviewFileWindow::Map(std::uint64_t offset, std::uint64_t count) {
  if (!open_ || count > buffer_.size() || offset > length_ || count > length_ - offset) return nullptr;
  if (start_ <= offset && offset + count <= end_) return buffer_.data() + (offset - start_);
  std::uint64_t got = 0;
  if (!ReadAt(path_, offset, buffer_, got)) return nullptr;
  start_ = offset;
  end_ = offset + got;
  if (got < count) return nullptr;
  return buffer_.data();
}

PageRange ClampPage(std::uint64_t lineCount, std::uint64_t first, std::uint64_t linesPerPage) {
  if (lineCount < first + linesPerPage) first = lineCount > linesPerPage ? lineCount - linesPerPage : 0;
  return {first, std::min(first + linesPerPage, lineCount)};
}

// ---- hex ----

const char* HexPager::HeaderLine() {
  return "Offset  \t\t\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\tA\tB\tC\tD\tE\tF\n";
}

bool HexPager::Load(const std::string& path) {
  Reset();
  if (!window_.Open(path)) return false;
  lines_ = (window_.Length() + kHexBytesPerLine - 1) / kHexBytesPerLine;
  return true;
}

void HexPager::Reset() {
  window_.Reset();
  lines_ = 0;
}

std::uint64_t HexPager::OffsetFromLine(std::uint64_t line) const {
  return line < lines_ ? line * kHexBytesPerLine : 0;
}

std::uint64_t HexPager::LineFromOffset(std::uint64_t offset) const {
  return offset < window_.Length() ? offset / kHexBytesPerLine : 0;
}

std::string HexPager::PageText(std::uint64_t first, std::uint64_t linesPerPage) {
  if (lines_ == 0) return {};
  const PageRange page = ClampPage(lines_, first, linesPerPage);
  std::string text = aligned_ ? "Offset  \t\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\tA\tB\tC\tD\tE\tF\n" : HeaderLine();
  char cell[32];
  const std::uint64_t length = window_.Length();
  for (std::uint64_t line = page.first; line < page.end; ++line) {
    const std::uint64_t offset = line * kHexBytesPerLine;
    // A full row with more data after it; the last row (even a full one)
    // carries one tab more before its character column.
    const bool full = offset + kHexBytesPerLine < length;
    const std::uint64_t count = full ? kHexBytesPerLine : length - offset;
    const std::uint8_t* bytes = window_.Map(offset, count);
    if (bytes == nullptr) continue; // a row that cannot be read again is left out
    std::snprintf(cell, sizeof cell, "%08llX\t\t", static_cast<unsigned long long>(offset));
    text += cell;
    if (aligned_) {
      for (std::uint64_t i = 0; i < kHexBytesPerLine; ++i) {
        if (i < count) {
          std::snprintf(cell, sizeof cell, "%02X", bytes[i]);
          text += cell;
        } else {
          text += ' ';
        }
        if (i + 1 < kHexBytesPerLine) text += '\t';
      }
    } else {
      for (std::uint64_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, full && i + 1 == count ? "%02X" : "%02X\t", bytes[i]);
        text += cell;
      }
      if (!full)
        for (std::uint64_t i = count; i < kHexBytesPerLine; ++i)
          text += " \t";
    }
    text += "\t\t";
    for (std::uint64_t i = 0; i < count; ++i)
      text += bytes[i] < 0x1E ? '.' : static_cast<char>(bytes[i]);
    text += "\t\n";
  }
  return text;
}

// ---- text ----

bool TextPager::Load(const std::string& path) {
  Reset();
  if (!window_.Open(path)) return false;
  BuildLineIndex();
  return true;
}

void TextPager::Reset() {
  window_.Reset();
  starts_.clear();
  starts_.shrink_to_fit();
}

void TextPager::BuildLineIndex() {
  starts_.clear();
  starts_.push_back(0);
  const std::uint64_t length = window_.Length();
  // Bytes are fetched a window at a time.
  const std::uint8_t* chunk = nullptr;
  std::uint64_t chunkStart = 0;
  std::uint64_t chunkEnd = 0;
  auto fetch = [&](std::uint64_t offset, std::uint8_t& byte) {
    if (offset < chunkStart || offset >= chunkEnd) {
      const std::uint64_t count = std::min(kPreviewWindowSize, length - offset);
      chunk = window_.Map(offset, count);
      if (chunk == nullptr) return false;
      chunkStart = offset;
      chunkEnd = offset + count;
    }
    byte = chunk[offset - chunkStart];
    return true;
  };
  std::uint64_t previousLast = 0;
  std::uint8_t byte = 0;
  for (std::uint64_t i = 0; i + 1 < length; ++i) {
    if (!fetch(i, byte)) break; // a failed fetch ends the scan
    if (i == previousLast + kTextCutDistance) {
      // Never split a multi-byte character: the cut moves back to the end
      // of the character before it (at most three bytes).
      std::uint64_t cut = i;
      std::uint8_t next = 0;
      for (int back = 0;
           back < 3 && cut > previousLast + 1 && fetch(cut + 1, next) && IsUtf8Continuation(next); ++back)
        --cut;
      previousLast = cut;
      starts_.push_back(static_cast<std::uint32_t>(cut + 1));
    } else if (byte == '\n') {
      previousLast = i;
      starts_.push_back(static_cast<std::uint32_t>(i + 1));
    }
  }
  if (starts_.back() < length) starts_.push_back(static_cast<std::uint32_t>(length));
}

std::uint64_t TextPager::OffsetFromLine(std::uint64_t line) const {
  return line < LineCount() ? starts_[static_cast<std::size_t>(line)] : 0;
}

std::uint64_t TextPager::LineFromOffset(std::uint64_t offset) const {
  if (offset >= window_.Length() || starts_.empty()) return 0;
  // The last line whose start is at or before offset.
  const auto it = std::upper_bound(starts_.begin(), starts_.end() - 1, offset);
  return static_cast<std::uint64_t>(it - starts_.begin()) - 1;
}

std::string TextPager::PageText(std::uint64_t first, std::uint64_t linesPerPage) {
  const std::uint64_t lines = LineCount();
  if (lines == 0) return {};
  const PageRange page = ClampPage(lines, first, linesPerPage);
  std::string text;
  for (std::uint64_t line = page.first; line < page.end; ++line) {
    const std::uint64_t start = starts_[static_cast<std::size_t>(line)];
    const std::uint64_t count = starts_[static_cast<std::size_t>(line) + 1] - start;
    const std::uint8_t* bytes = window_.Map(start, count);
    if (bytes == nullptr) continue; // a line that cannot be read again is left out
    for (std::uint64_t i = 0; i < count; ++i)
      text += bytes[i] < 0x1E ? ' ' : static_cast<char>(bytes[i]);
    text += "\t\n";
  }
  return text;
}

} // namespace qm
