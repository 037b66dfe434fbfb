#include "fatext2/ext2_exceptions.h"

#include <cstdio>
#include <cstring>
#include <mutex>

CStructuredException::CStructuredException(std::uint32_t code, const void* record, const void* context)
    : m_nCode(code) {
  if (record != nullptr) std::memcpy(m_record.data(), record, kRecordBytes);
  if (context != nullptr) std::memcpy(m_context.data(), context, kContextBytes);
}

const char* CStructuredException::CodeName(std::uint32_t code) {
  struct Name {
    std::uint32_t code;
    const char* text;
  };
  static constexpr Name kNames[] = {
      {0x80000001, "EXCEPTION_GUARD_PAGE"},
      {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
      {0x80000003, "EXCEPTION_BREAKPOINT"},
      {0x80000004, "EXCEPTION_SINGLE_STEP"},
      {0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},
      {0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
      {0xC0000008, "EXCEPTION_INVALID_HANDLE"},
      {0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION"},
      {0xC0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
      {0xC0000026, "EXCEPTION_INVALID_DISPOSITION"},
      {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
      {0xC000008D, "EXCEPTION_FLT_DENORMAL_OPERAND"},
      {0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
      {0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT"},
      {0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
      {0xC0000091, "EXCEPTION_FLT_OVERFLOW"},
      {0xC0000092, "EXCEPTION_FLT_STACK_CHECK"},
      {0xC0000093, "EXCEPTION_FLT_UNDERFLOW"},
      {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
      {0xC0000095, "EXCEPTION_INT_OVERFLOW"},
      {0xC0000096, "EXCEPTION_PRIV_INSTRUCTION"},
      {0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
  };
  for (const Name& name : kNames)
    if (name.code == code) return name.text;
  return "EXCEPTION_UNKNOWN";
}

void InstallSeTranslator() {}

void WriteExt2ErrorLog(const char* text) {
  if (text == nullptr) return;
  // Several scans may report at once; keep their lines whole.
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  std::FILE* file = std::fopen("Ext2Error.log", "a");
  if (file == nullptr) return;
  std::fputs(text, file);
  std::fputs("\n", file);
  std::fclose(file);
}
