#include "raw/exif_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// "Exif" 00 00, then the TIFF header: offset, size, meaning.
//   0  2  byte order: "II" little-endian, "MM" big-endian
//   2  2  42
//   4  4  offset of the first directory
constexpr std::size_t kExifHeaderSize = 6;
constexpr std::uint64_t kTiffMagicOffset = 2;
constexpr std::uint64_t kFirstIfdOffset = 4;
constexpr std::uint16_t kTiffMagic = 42;
constexpr std::uint32_t kMinFirstIfd = 8;
constexpr std::uint32_t kMaxFirstIfd = 16;

// Directory: a 16-bit entry count, 12-byte entries, a 32-bit link to the
// next directory. Entry: offset, size, meaning.
//   0  2  tag
//   2  2  format (1 to 12)
//   4  4  component count
//   8  4  the value itself when it takes at most 4 bytes, else its offset
constexpr std::uint64_t kEntrySize = 12;
constexpr std::uint64_t kEntryFormat = 2;
constexpr std::uint64_t kEntryComponents = 4;
constexpr std::uint64_t kEntryValue = 8;

// Real segments hold four or five directories; the cap and the visited set
// end any walk over links that loop or fan out.
constexpr std::size_t kMaxDirectories = 32;

enum Format : int {
  kUByte = 1,
  kString = 2,
  kUShort = 3,
  kULong = 4,
  kURational = 5,
  kSByte = 6,
  kUndefined = 7,
  kSShort = 8,
  kSLong = 9,
  kSRational = 10,
  kSingle = 11,
  kDouble = 12,
};
constexpr std::uint64_t kFormatSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Tag : std::uint16_t {
  kMake = 271,
  kModel = 272,
  kOrientation = 274,
  kXResolution = 282,
  kYResolution = 283,
  kResolutionUnit = 296,
  kThumbnailOffset = 513,
  kThumbnailLength = 514,
  kExposureTime = 33434,
  kFNumber = 33437,
  kExposureProgram = 34850,
  kIsoEquivalent = 34855,
  kExifSubIfd = 34665,
  kExifVersion = 36864,
  kDateTimeOriginal = 36867,
  kDateTimeDigitized = 36868,
  kCompressionLevel = 37122,
  kBrightness = 37379,
  kExposureBias = 37380,
  kSubjectDistance = 37382,
  kMeteringMode = 37383,
  kLightSource = 37384,
  kFlash = 37385,
  kFocalLength = 37386,
  kMakerNote = 37500,
  kUserComment = 37510,
  kPixelXDimension = 40962,
  kPixelYDimension = 40963,
  kInteropIfd = 40965,
  kFocalPlaneXResolution = 41486,
  kFocalPlaneYResolution = 41487,
  kFocalPlaneResolutionUnit = 41488,
};

// Numbers from the data may be anything a double holds, NaN included; casts
// to integers go through these so that none is undefined.
int ToInt(double v) { return v != v ? 0 : static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0)); }
std::uint32_t ToU32(double v) {
  return v != v ? 0 : static_cast<std::uint32_t>(std::clamp(v, 0.0, 4294967295.0));
}

thread_local ExifInfo* t_current = nullptr;
thread_local std::string t_error;

class ExifWalk {
public:
  ExifWalk(ExifInfo& info, qm::ByteView tiff, bool bigEndian, std::uint64_t base)
      : info_(info), tiff_(tiff), bigEndian_(bigEndian), base_(base) {}

  bool Run(std::uint32_t firstDirectory);
  int maxDimension() const { return maxDimension_; }

private:
  struct Directory {
    std::uint64_t offset;
    std::uint32_t entries;
    std::uint32_t next = 0; // index of the next entry to read
  };

  std::uint16_t Get16(std::uint64_t offset) const {
    return bigEndian_ ? tiff_.be16(offset) : tiff_.le16(offset);
  }
  std::uint32_t Get32(std::uint64_t offset) const {
    return bigEndian_ ? tiff_.be32(offset) : tiff_.le32(offset);
  }
  double Convert(qm::ByteView value, int format) const;
  bool Fail(const char* message) {
    t_error = message;
    return false;
  }
  // Puts a directory on the walk; false when it does not fit the data.
  bool Enter(std::uint64_t offset);
  bool ReadEntry(std::uint64_t entry);

  ExifInfo& info_;
  qm::ByteView tiff_;
  bool bigEndian_;
  std::uint64_t base_;
  int maxDimension_ = 0;
  std::vector<Directory> stack_;
  std::vector<std::uint64_t> visited_;
};

double ExifWalk::Convert(qm::ByteView value, int format) const {
  auto get16 = [&](std::uint64_t at) { return bigEndian_ ? value.be16(at) : value.le16(at); };
  auto get32 = [&](std::uint64_t at) { return bigEndian_ ? value.be32(at) : value.le32(at); };
  switch (format) {
  case kUByte:
    return value.u8(0);
  case kSByte:
    return static_cast<std::int8_t>(value.u8(0));
  case kUShort:
    return get16(0);
  case kSShort:
    return static_cast<std::int16_t>(get16(0));
  case kULong:
    return get32(0);
  case kSLong:
    return static_cast<std::int32_t>(get32(0));
  case kURational: {
    const std::uint32_t den = get32(4);
    return den == 0 ? 0.0 : static_cast<double>(get32(0)) / den;
  }
  case kSRational: {
    const std::int32_t den = static_cast<std::int32_t>(get32(4));
    return den == 0 ? 0.0 : static_cast<double>(static_cast<std::int32_t>(get32(0))) / den;
  }
  case kSingle:
    return std::bit_cast<float>(get32(0));
  case kDouble: {
    const std::uint64_t bits = bigEndian_ ? value.be64(0) : value.le64(0);
    return std::bit_cast<double>(bits);
  }
  default:
    return 0.0; // text and undefined bytes have no number
  }
}

// Copies text of at most capacity - 1 characters, ending at the value's end
// or its first zero.
template <std::size_t N> void CopyText(char (&out)[N], qm::ByteView value, std::size_t characters) {
  const std::size_t count = std::min({characters, N - 1, value.size()});
  std::size_t i = 0;
  for (; i < count && value.u8(i) != 0; ++i)
    out[i] = static_cast<char>(value.u8(i));
  out[i] = '\0';
}

double UnitFactor(int unit, double old) {
  switch (unit) {
  case 1:
  case 2:
    return 1.0; // none, or inch
  case 3:
    return 0.3937007; // centimetre
  case 4:
    return 0.03937008; // millimetre
  case 5:
    return 0.00003937008; // micrometre
  default:
    return old;
  }
}

bool ExifWalk::Enter(std::uint64_t offset) {
  if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return true;
  if (visited_.size() >= kMaxDirectories) return true;
  visited_.push_back(offset);
  if (!tiff_.has(offset, 2)) return Fail("Illegally sized directory");
  const std::uint16_t entries = Get16(offset);
  if (!tiff_.has(offset + 2, kEntrySize * entries)) return Fail("Illegally sized directory");
  stack_.push_back({offset, entries});
  return true;
}

bool ExifWalk::Run(std::uint32_t firstDirectory) {
  if (!Enter(firstDirectory)) return false;
  while (!stack_.empty()) {
    Directory& directory = stack_.back();
    if (directory.next < directory.entries) {
      const std::uint64_t entry = directory.offset + 2 + kEntrySize * directory.next++;
      if (!ReadEntry(entry)) return false; // may push a sub-directory
      continue;
    }
    // After the entries: the link to the next directory, when the data
    // still holds it.
    const std::uint64_t link = directory.offset + 2 + kEntrySize * directory.entries;
    stack_.pop_back();
    if (!tiff_.has(link, 4)) continue;
    const std::uint32_t next = Get32(link);
    if (next == 0) continue;
    if (next >= tiff_.size()) return Fail("Illegal subdirectory link");
    if (!Enter(next)) return false;
  }
  return true;
}

bool ExifWalk::ReadEntry(std::uint64_t entry) {
  const std::uint16_t tag = Get16(entry);
  const int format = Get16(entry + kEntryFormat);
  const std::uint32_t components = Get32(entry + kEntryComponents);
  if (format < 1 || format > 12) return Fail("Illegal format code in EXIF dir");
  const std::uint64_t byteCount = std::uint64_t{components} * kFormatSizes[format];
  std::uint64_t valueAt = entry + kEntryValue;
  if (byteCount > 4) {
    valueAt = Get32(entry + kEntryValue);
    if (!tiff_.has(valueAt, byteCount)) return Fail("Illegal pointer offset value in EXIF.");
  }
  const qm::ByteView value = tiff_.sub(valueAt, std::min<std::uint64_t>(byteCount, tiff_.size() - valueAt));
  // Number fields read the value's first component.
  const qm::ByteView number = tiff_.sub(valueAt, kFormatSizes[format]);
  const double v = Convert(number, format);

  switch (tag) {
  case kMake:
    CopyText(info_.cameraMake, value, 31);
    break;
  case kModel:
    CopyText(info_.cameraModel, value, 39);
    break;
  case kOrientation:
    info_.orientation = ToInt(v);
    if (info_.orientation < 1 || info_.orientation > 8) {
      t_error = "Undefined rotation value"; // the walk goes on
      info_.orientation = 0;
    }
    break;
  case kXResolution:
    info_.xResolution = v;
    break;
  case kYResolution:
    info_.yResolution = v;
    break;
  case kResolutionUnit:
    info_.resolutionUnit = UnitFactor(ToInt(v), info_.resolutionUnit);
    break;
  case kThumbnailOffset:
    info_.thumbnailOffset = base_ + ToU32(v);
    break;
  case kThumbnailLength:
    info_.thumbnailLength = ToU32(v);
    break;
  case kExposureTime:
    info_.exposureTime = v;
    break;
  case kFNumber:
    info_.fNumber = v;
    break;
  case kExposureProgram:
    info_.exposureProgram = ToInt(v);
    break;
  case kIsoEquivalent:
    info_.isoEquivalent = ToInt(v);
    // Some cameras write the ISO as a multiple of 200.
    if (info_.isoEquivalent < 50) info_.isoEquivalent = ToInt(info_.isoEquivalent * 200.0);
    break;
  case kExifVersion:
    CopyText(info_.exifVersion, value, 4);
    break;
  case kDateTimeOriginal:
    CopyText(info_.dateTime, value, 19);
    break;
  case kDateTimeDigitized:
    CopyText(info_.dateTimeDigitized, value, 19);
    break;
  case kCompressionLevel:
    info_.compressionLevel = ToInt(v);
    break;
  case kBrightness:
    info_.brightness = v;
    break;
  case kExposureBias:
    info_.exposureBias = v;
    break;
  case kSubjectDistance:
    info_.subjectDistance = v;
    break;
  case kMeteringMode:
    info_.meteringMode = ToInt(v);
    break;
  case kLightSource:
    info_.lightSource = ToInt(v);
    break;
  case kFlash:
    info_.flashUsed = (ToInt(v) & 7) != 0 ? 1 : 0;
    break;
  case kFocalLength:
    info_.focalLength = v;
    break;
  case kMakerNote:
    info_.makerNoteOffset = base_ + valueAt;
    info_.makerNoteLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(byteCount, UINT32_MAX));
    break;
  case kUserComment:
    info_.userCommentOffset = base_ + valueAt;
    info_.userCommentLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(byteCount, UINT32_MAX));
    break;
  case kPixelXDimension:
  case kPixelYDimension:
    maxDimension_ = std::max(maxDimension_, ToInt(v));
    break;
  case kFocalPlaneXResolution:
    info_.focalPlaneXResolution = v;
    break;
  case kFocalPlaneYResolution:
    break; // only the X resolution enters the sensor width
  case kFocalPlaneResolutionUnit:
    info_.focalPlaneUnit = UnitFactor(ToInt(v), info_.focalPlaneUnit);
    break;
  case kExifSubIfd:
  case kInteropIfd: {
    const std::uint32_t sub = Get32(valueAt);
    if (sub >= tiff_.size()) return Fail("Illegal subdirectory link");
    return Enter(sub);
  }
  default:
    break;
  }
  return true;
}

} // namespace

void SetExifInfo(ExifInfo* info) { t_current = info; }

const std::string& GetExifError() { return t_error; }

int ProcessExif(qm::ByteView segment, std::uint64_t segmentOffset, std::size_t exifPos,
                std::uint32_t segmentLength) {
  t_error.clear();
  ExifInfo scratch{};
  ExifInfo& info = t_current != nullptr ? *t_current : scratch;
  info.flashUsed = 0;
  info.comment[0] = '\0';

  const qm::ByteView exif = segment.from(exifPos);
  if (!exif.matches(0, std::string_view("Exif\0\0", kExifHeaderSize))) {
    t_error = "Incorrect Exif header";
    return 0;
  }
  // The TIFF data: what the segment says it holds, never more than the
  // bytes at hand.
  const std::uint64_t declared = segmentLength > kExifHeaderSize ? segmentLength - kExifHeaderSize : 0;
  const qm::ByteView tiff =
      exif.sub(kExifHeaderSize, std::min<std::uint64_t>(declared, exif.size() - kExifHeaderSize));

  bool bigEndian;
  if (tiff.matches(0, "II")) {
    bigEndian = false;
  } else if (tiff.matches(0, "MM")) {
    bigEndian = true;
  } else {
    t_error = "Invalid Exif alignment marker.";
    return 0;
  }
  const std::uint16_t magic = bigEndian ? tiff.be16(kTiffMagicOffset) : tiff.le16(kTiffMagicOffset);
  if (magic != kTiffMagic) {
    t_error = "Invalid Exif start (1)";
    return 0;
  }
  const std::uint32_t firstIfd = bigEndian ? tiff.be32(kFirstIfdOffset) : tiff.le32(kFirstIfdOffset);
  if (firstIfd < kMinFirstIfd || firstIfd > kMaxFirstIfd) {
    t_error = "Suspicious offset of first IFD value";
    return 0;
  }

  ExifWalk walk(info, tiff, bigEndian, segmentOffset + exifPos + kExifHeaderSize);
  // The first directory stands where the header says (8 in every camera
  // file; a writer that pads the header is followed).
  if (!walk.Run(firstIfd)) return 0;

  if (info.focalPlaneXResolution != 0)
    info.ccdWidth = walk.maxDimension() * info.focalPlaneUnit / info.focalPlaneXResolution;
  return 1;
}
