#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "fatext2/ext2_exceptions.h"
#include "support/scratch_files.h"

namespace {

TEST(Ext2Exceptions, AllAreStandardExceptions) {
  auto caught = [](auto thrown) {
    try {
      throw thrown;
    } catch (const std::exception& error) {
      return std::string(error.what());
    }
  };
  EXPECT_EQ(caught(CExt2BadSuperBlock()), "CExt2BadSuperBlock");
  EXPECT_EQ(caught(CExt2BadGroupDescriptor()), "CExt2BadGroupDescriptor");
  EXPECT_EQ(caught(CExt2ReadSectorError()), "CExt2ReadSectorError");
  EXPECT_EQ(caught(CStructuredException(0xC0000005)), "EXCEPTION_ACCESS_VIOLATION");
}

TEST(Ext2Exceptions, FaultCodeNames) {
  const std::pair<std::uint32_t, const char*> rows[] = {
      {0x80000001, "EXCEPTION_GUARD_PAGE"},
      {0x80000004, "EXCEPTION_SINGLE_STEP"},
      {0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
      {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
      {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
      {0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
      {0, "EXCEPTION_UNKNOWN"},
      {0xC0000007, "EXCEPTION_UNKNOWN"},
      {0xE0000001, "EXCEPTION_UNKNOWN"},
  };
  for (const auto& [code, name] : rows)
    EXPECT_STREQ(CStructuredException::CodeName(code), name) << std::hex << code;
  std::uint8_t record[80] = {1};
  std::uint8_t context[716] = {2};
  const CStructuredException fault(0xC000001D, record, context);
  EXPECT_EQ(fault.GetCode(), 0xC000001Du);
  EXPECT_STREQ(fault.what(), "EXCEPTION_ILLEGAL_INSTRUCTION");
}

TEST(Ext2Exceptions, ErrorLogAppendsLinesInTheCurrentFolder) {
  const std::filesystem::path folder = qm::ScratchPath("ext2_error_log");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  WriteExt2ErrorLog(nullptr);
  EXPECT_FALSE(std::filesystem::exists("Ext2Error.log"));
  WriteExt2ErrorLog("CExt2BadSuperBlock");
  WriteExt2ErrorLog("second line");
  std::filesystem::current_path(previous);
  std::ifstream in(folder / "Ext2Error.log");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "CExt2BadSuperBlock\nsecond line\n");
}

} // namespace
