// Rich Text Format documents, read into paragraphs of formatted runs that
// the RTF preview turns into a rich-text document. The file is recovered
// data and may be anything: nesting and output are capped, and unknown
// control words are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Groups nested deeper than this are skipped whole.
inline constexpr int kRtfMaxDepth = 200;
// Text beyond this many bytes (UTF-8) is dropped.
inline constexpr std::size_t kRtfMaxOutput = 8u << 20;

struct RtfRun {
  std::string text; // UTF-8
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = 24;     // font size in half points (\fs)
  std::int32_t color = -1; // 0xRRGGBB, or -1 for the default colour
  bool operator==(const RtfRun&) const = default;
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
};

struct RtfDocument {
  std::vector<RtfParagraph> paragraphs;
  bool truncated = false; // the output cap was reached
  int skippedDeepGroups = 0;
  // The whole text, paragraphs joined by "\n" (for tests and searching).
  std::string PlainText() const;
};

// Reads RTF from bytes. Never fails: what cannot be understood is skipped.
RtfDocument ReadRtf(std::string_view bytes);

// Whether a file is an RTF document: it starts with "{\rtf" (any case)
// and its last byte other than CR, LF and NUL is "}". Files of 4 bytes
// or less, and unreadable files, are not.
bool IsRtfFile(const std::string& path);

} // namespace qm
