// Runs one test of this program again in a fresh process, handing it a
// folder through an environment variable: what a saved search holds must
// come back without anything the first process still had in memory.
#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

// The text of a file; empty when it cannot be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Runs the test named by filter with env=folder; expects it to pass. Its
// output is kept in folder/second.log and shown on failure.
void ExpectPassesInSecondProcess(const char* env, const std::filesystem::path& folder,
                                 const std::string& filter);

} // namespace qm::test
