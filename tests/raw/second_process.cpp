#include "second_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/scratch_files.h"

namespace qm::test {

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void ExpectPassesInSecondProcess(const char* env, const std::filesystem::path& folder,
                                 const std::string& filter) {
  const std::filesystem::path log = folder / "second.log";
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  // The second process runs the whole filter, not the share of it that a
  // sharded run of this program would hand it.
  const std::string run = "env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX " + std::string(env) + "='" +
                          folder.string() + "' '" + self +
                          "' --gtest_filter=" + filter + " >'" + log.string() + "' 2>&1";
  EXPECT_EQ(RunCommand(run), 0) << ReadTextFile(log);
  EXPECT_NE(ReadTextFile(log).find("[  PASSED  ] 1 test"), std::string::npos) << ReadTextFile(log);
}

} // namespace qm::test
