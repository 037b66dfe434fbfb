// The error raised by the result stream. Savers and loaders catch it as
// IRSException around whole sections, log "RS Exception:%d" with the code,
// and pass it on or turn it into a failed result.
#pragma once

#include <cstdint>

class IRSException {
public:
  virtual ~IRSException() = default;
  virtual std::uint32_t GetErrorCode() const = 0;
};

class CRSException : public IRSException {
public:
  explicit CRSException(std::uint32_t code) : code_(code) {}
  std::uint32_t GetErrorCode() const override { return code_; }

private:
  std::uint32_t code_;
};

namespace qm {

// Error codes of the result stream.
inline constexpr std::uint32_t kRSBadHeaderValue = 2; // file kind 5 or more, text longer than 100
inline constexpr std::uint32_t kRSWrongMode = 3;      // a write on a reader, a read on a writer
inline constexpr std::uint32_t kRSShortRead = 5;      // fewer bytes than expected, or a damaged piece
inline constexpr std::uint32_t kRSWriteFailed = 6;    // a write to the file failed, or a section overflowed
inline constexpr std::uint32_t kRSNoSuchSection = 7;  // the section is not in the file
inline constexpr std::uint32_t kRSNoOpenSection = 8;  // no section is open

} // namespace qm
