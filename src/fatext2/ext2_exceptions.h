// The exceptions of the EXT2 reader. Every failure of the reader is one of
// these or a standard range error, all derived from std::exception, so that
// one catch of std::exception in each caller survives a corrupt volume.
#pragma once

#include <array>
#include <cstdint>
#include <exception>

class CExt2BadSuperBlock : public std::exception {
public:
  const char* what() const noexcept override { return "CExt2BadSuperBlock"; }
};

class CExt2BadGroupDescriptor : public std::exception {
public:
  const char* what() const noexcept override { return "CExt2BadGroupDescriptor"; }
};

class CExt2ReadSectorError : public std::exception {
public:
  const char* what() const noexcept override { return "CExt2ReadSectorError"; }
};

// A processor fault turned into an exception. On this platform faults are
// not translated (every parser checks its bounds instead), so nothing in the
// reader throws it; the type keeps the record of a fault for callers that
// report one, and names its code.
class CStructuredException : public std::exception {
public:
  static constexpr std::size_t kRecordBytes = 80;
  static constexpr std::size_t kContextBytes = 716;

  explicit CStructuredException(std::uint32_t code) : m_nCode(code) {}
  CStructuredException(std::uint32_t code, const void* record, const void* context);

  std::uint32_t GetCode() const { return m_nCode; }
  const char* what() const noexcept override { return CodeName(m_nCode); }

  // The name of a fault code; "EXCEPTION_UNKNOWN" for codes not in the list.
  static const char* CodeName(std::uint32_t code);

private:
  std::uint32_t m_nCode = 0;
  std::array<std::uint8_t, kRecordBytes> m_record{};
  std::array<std::uint8_t, kContextBytes> m_context{};
};

// Once per calling place: would install the translation of processor faults
// on the calling thread. Faults are not translated on this platform, so it
// only records that it was asked; the reader's bounds checks take its place.
void InstallSeTranslator();

// Appends text and a line end to "Ext2Error.log" in the current folder; a
// null text does nothing.
void WriteExt2ErrorLog(const char* text);
