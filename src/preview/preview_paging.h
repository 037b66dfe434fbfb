// The text and hex pages of the preview: a file of up to 100 MiB is never
// read whole. A window of at most 1 MiB of it is kept and moved on demand,
// and only the lines of one page are formatted at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The largest file the preview shows (100 MiB); one byte more is refused.
inline constexpr std::uint64_t kPreviewMaxFileSize = 104857600;
// The most of the file held in memory at once.
inline constexpr std::uint64_t kPreviewWindowSize = 1048576;
// Bytes of one hex row.
inline constexpr std::uint64_t kHexBytesPerLine = 16;
// A text line is cut after this many bytes past the previous line's end
// (so the first line holds one byte more).
inline constexpr std::uint64_t kTextCutDistance = 159;

// A moving window over a file opened for reading.
class PreviewFileWindow {
public:
  // Opens the file and reads its first window. False, and an empty
  // window, when it cannot be read or is longer than 100 MiB.
  bool Open(const std::string& path);
  void Reset();

  std::uint64_t Length() const { return length_; }
  bool IsOpen() const { return open_; }

  // Makes [offset, offset + count) available and returns it, or null when
  // it cannot be read (past the end, a read error, more than a window).
  const std::uint8_t* Map(std::uint64_t offset, std::uint64_t count);

private:
  std::string path_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t length_ = 0;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  bool open_ = false;
};

// The first and one-past-last line of a page: a page that would run past
// the last line is moved up so that it ends there.
struct PageRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
};
PageRange ClampPage(std::uint64_t lineCount, std::uint64_t first, std::uint64_t linesPerPage);

// The common face of the two pagers.
class FilePager {
public:
  virtual ~FilePager() = default;
  // Loads the file; false, and an empty pager, when it cannot be shown.
  virtual bool Load(const std::string& path) = 0;
  virtual void Reset() = 0;
  virtual std::uint64_t LineCount() const = 0;
  virtual std::uint64_t OffsetFromLine(std::uint64_t line) const = 0;
  virtual std::uint64_t LineFromOffset(std::uint64_t offset) const = 0;
  // The text of the page that starts at first (after clamping), one line
  // per "\n". Empty when there are no lines.
  virtual std::string PageText(std::uint64_t first, std::uint64_t linesPerPage) = 0;
  std::uint64_t Length() const { return window_.Length(); }

protected:
  PreviewFileWindow window_;
};

// 16 bytes a row: offset, the bytes in hex, then the bytes as characters
// (bytes below 0x1E shown as "."). The page starts with a header row.
class HexPager : public FilePager {
public:
  bool Load(const std::string& path) override;
  void Reset() override;
  std::uint64_t LineCount() const override { return lines_; }
  std::uint64_t OffsetFromLine(std::uint64_t line) const override;
  std::uint64_t LineFromOffset(std::uint64_t offset) const override;
  std::string PageText(std::uint64_t first, std::uint64_t linesPerPage) override;

  static const char* HeaderLine();
  // For a fixed-width font with even tab stops: the header and the last
  // row get as many tabs before each column as the full rows, so that all
  // columns line up.
  void SetAlignedColumns(bool aligned) { aligned_ = aligned; }

private:
  std::uint64_t lines_ = 0;
  bool aligned_ = false;
};

// Lines end after a line feed or after at most 159 bytes (160 for the
// first); a cut never splits a UTF-8 sequence. Bytes below 0x1E show as
// blanks.
class TextPager : public FilePager {
public:
  bool Load(const std::string& path) override;
  void Reset() override;
  std::uint64_t LineCount() const override { return starts_.empty() ? 0 : starts_.size() - 1; }
  std::uint64_t OffsetFromLine(std::uint64_t line) const override;
  std::uint64_t LineFromOffset(std::uint64_t offset) const override;
  std::string PageText(std::uint64_t first, std::uint64_t linesPerPage) override;

  // Start offsets of the lines and a closing entry at the file's length.
  const std::vector<std::uint32_t>& LineStarts() const { return starts_; }

private:
  void BuildLineIndex();
  // 32-bit: a shown file is at most 100 MiB long.
  std::vector<std::uint32_t> starts_;
};

} // namespace qm
