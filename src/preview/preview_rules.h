// The decisions around a preview that need no window: whether a found file
// may be previewed, which viewer takes a recovered copy, and the progress
// texts of the copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class IFileProperties;

namespace qm {

enum class PreviewRefusal {
  None,
  CannotPreview, // no properties, or an empty file
  Folder,
  Encrypted,
  TooBig, // more than 100 MiB
};

// Whether the file may be previewed. The 100 MiB limit holds whenever the
// size is known, also when the attributes are not.
PreviewRefusal CheckPreviewable(const IFileProperties* properties);

// What the office step does with a copy.
enum class OfficeRoute {
  Viewer,         // hand it to the outside viewer (after the container test)
  ViewerUntested, // ".docx" / ".xlsx": hand it on without a test
  NotADocument,   // ".doc" / ".xls" that is no compound document: say so, go on
  Next,           // not an office file: the next previewer
};
OfficeRoute ChooseOfficeRoute(bool isCompoundDocument, std::string_view foundName);

// The extension after the last "." of a name, with the dot; empty when none.
std::string ExtensionOf(std::string_view name);

// Progress of one copy: percent (100 when the total is 0) and the seconds
// still to go, estimated from the rate so far (0 when nothing is done).
int CopyPercent(std::uint64_t done, std::uint64_t total);
std::uint64_t RemainingSeconds(std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMs);
// "hh:mm:ss".
std::string FormatHms(std::uint64_t seconds);

} // namespace qm
