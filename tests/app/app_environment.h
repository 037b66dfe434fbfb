// A private configuration folder, runtime folder and name suffix for the
// named locks, so that start-up tests neither see the user's settings nor
// meet a parallel run.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/language.h"
#include "support/scratch_files.h"

namespace qm::test {

// The child of a death test runs the test again from its start: it must
// find the same folders and names as its parent, and leave them alone.
inline bool InDeathTestChild() { return !GTEST_FLAG_GET(internal_run_death_test).empty(); }

// A number the whole run shares, death-test children included.
inline std::string RunId()
{
    if (const char* id = std::getenv("QM_APP_TEST_RUN")) {
        return id;
    }
    const std::string id = std::to_string(getpid());
    setenv("QM_APP_TEST_RUN", id.c_str(), 1);
    return id;
}

inline void UsePrivateAppEnvironment(std::string name)
{
    for (char& c : name) {
        if (c == '/') {
            c = '_';  // parameterised tests are named "Case/0"
        }
    }
    const std::filesystem::path root = ScratchPath("app-env-" + name + "-" + RunId());
    if (!InDeathTestChild()) {
        std::filesystem::remove_all(root);
    }
    std::filesystem::create_directories(root / "config");
    std::filesystem::create_directories(root / "runtime");
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    setenv("QUENMARK_IPC_NS", ("-" + name + "-" + RunId()).c_str(), 1);
    ResetLanguageCacheForTest();
}

}  // namespace qm::test
