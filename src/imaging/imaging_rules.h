// The rules the imaging wizards' pages follow, kept apart from the widgets
// so that they are tested as tables: file names, texts of sizes and times,
// the region the user picks, the image settings of the advanced page, and
// the part list the repair page builds.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm::image {

// ".qmi" appended to a path longer than 6 characters that does not end so,
// and always to a shorter one.
std::string EnsureQmiExtension(const std::string& path);
// The first `maxBytes` bytes of a UTF-8 text (never half a character) and
// `suffix`, when the text is longer than maxBytes; else the text.
std::string CutText(const std::string& text, std::size_t maxBytes, const std::string& suffix);

// "%.2f GB" when the sectors make a GiB or more, else "%.2f MB"; the sector
// size is taken as 512 unless it is a multiple of 512 up to 4096.
std::string SizeText(std::uint64_t sectors, std::uint32_t bytesPerSector);
// 1 "Fastest", 5 "Normal", 9 "Maximum", anything else "None".
std::string LevelText(std::int32_t level);
// Whether the remaining time can be estimated: after the first 5 s and
// once a block is done.
bool RemainingTimeKnown(std::uint64_t elapsedMs, std::uint64_t done);
// The remaining time: "Calculating..." for the first 5 s and until a block
// is done, then "hh:mm:ss".
std::string RemainingTimeText(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t total);
// The first estimate of the whole run, "h:m:s".
std::string EstimateText(std::uint64_t milliseconds);

struct ImageSettings {
  std::uint32_t compressionType = 0;
  std::int32_t level = -1;
  std::uint32_t splitSize = 8388600;
};
// What the advanced page's boxes and lists stand for.
ImageSettings SettingsFromChoices(bool compress, int levelIndex, bool split, int splitIndex);

// The region of the source to image, as the region page keeps it: first
// and last sector inclusive on a disk of `total` sectors.
class RegionRules {
public:
  explicit RegionRules(std::uint64_t total = 0) { Reset(total); }
  void Reset(std::uint64_t total);
  std::uint64_t Total() const { return total_; }
  std::uint64_t First() const { return first_; }
  std::uint64_t Last() const { return last_; }
  std::uint64_t MaxLast() const { return total_ == 0 ? 0 : total_ - 1; }
  std::uint64_t Count() const { return total_ == 0 ? 0 : last_ - first_ + 1; }

  // A last sector typed (negative counts as 0): above the disk it
  // becomes the last sector of the disk; below the first, the first
  // becomes 0. Returns the text the edit shows afterwards.
  std::int64_t EditLast(std::int64_t typed);
  // A first sector typed: negative counts as 0, above the last it becomes 0.
  std::int64_t EditFirst(std::int64_t typed);
  // Spin steps: up moves the number up by one within its bounds.
  void StepFirst(bool up);
  void StepLast(bool up);
  // A selection made on the sector bar.
  void Select(std::uint64_t first, std::uint64_t last);

private:
  std::uint64_t total_ = 0, first_ = 0, last_ = 0;
};

// The repair page's list of parts: rows in part order, each a path and
// whether it opens for reading.
class PartListRepair {
public:
  struct Row {
    std::string path;
    bool valid = false;
  };
  void Load(const std::vector<std::string>& lines);
  // A path already listed is ignored (false); an unreadable one is refused.
  enum class Result { kDone, kAlreadyListed, kInvalid };
  Result Add(const std::string& path);
  Result Locate(std::size_t row, const std::string& path);
  void Remove(std::size_t row);
  // At least one part, every one readable.
  bool Complete() const;
  const std::vector<Row>& Rows() const { return rows_; }
  std::vector<std::string> Paths() const;

private:
  bool Listed(const std::string& path) const;
  std::vector<Row> rows_;
};

// Whether a part file can be read (parts on read-only media count).
bool PartReadable(const std::string& path);
// The lines of a part list, each without its line end; at most 4096 bytes
// a line and 58 lines are taken.
std::vector<std::string> ReadPartList(const std::string& listPath);
// Writes the part list through a temporary file beside it and a rename;
// false (the old list untouched) when any step fails.
bool WritePartList(const std::string& listPath, const std::vector<std::string>& paths);

} // namespace qm::image
