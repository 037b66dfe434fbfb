#include "preview/preview_rules.h"

#include <cctype>
#include <cstdio>

#include "filemodel/file_properties.h"
#include "preview/preview_paging.h"

namespace qm {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

PreviewRefusal CheckPreviewable(const IFileProperties* properties) {
  if (properties == nullptr || properties->GetSize() == 0) return PreviewRefusal::CannotPreview;
  const std::uint32_t valid = properties->GetValidFields();
  if ((valid & kValidAttributes) != 0) {
    if ((properties->GetAttributes() & kAttrFolder) != 0) return PreviewRefusal::Folder;
    if ((properties->GetAttributes() & kAttrEncrypted) != 0) return PreviewRefusal::Encrypted;
  }
  if ((valid & kValidSize) != 0 && properties->GetSize() > kPreviewMaxFileSize) return PreviewRefusal::TooBig;
  return PreviewRefusal::None;
}

std::string ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

OfficeRoute ChooseOfficeRoute(bool isCompoundDocument, std::string_view foundName) {
  if (isCompoundDocument) return OfficeRoute::Viewer;
  const std::string extension = ExtensionOf(foundName);
  if (SameIgnoringCase(extension, ".xls") || SameIgnoringCase(extension, ".doc"))
    return OfficeRoute::NotADocument;
  if (SameIgnoringCase(extension, ".xlsx") || SameIgnoringCase(extension, ".docx"))
    return OfficeRoute::ViewerUntested;
  return OfficeRoute::Next;
}

int CopyPercent(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return 100;
  if (done >= total) return 100;
  // 128-bit: done * 100 must not wrap for very large files.
  return static_cast<int>(static_cast<unsigned __int128>(done) * 100 / total);
}

std::uint64_t RemainingSeconds(std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMs) {
  if (done == 0) return 0;
  const std::uint64_t left = total > done ? total - done : 0;
  // Seconds, rounded up by one as the dialogs always showed them; the
  // product is taken in two steps so a large file cannot overflow it.
  const long double ms = static_cast<long double>(left) * static_cast<long double>(elapsedMs) / done;
  return static_cast<std::uint64_t>(ms / 1000) + 1;
}

std::string FormatHms(std::uint64_t seconds) {
  char text[40];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds % 3600 / 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

} // namespace qm
