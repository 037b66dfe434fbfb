// The arithmetic of the two search dialogs (the lost-partition search and
// the intelligent search), apart from any window so that tables test it.
#pragma once

#include <cstdint>
#include <string>

#include "preview/preview_rules.h" // FormatHms

namespace qm {

// The smallest power of ten that brings a span of blocks down to at most
// 1000 bar steps (1 for spans up to 1000).
std::uint64_t ProgressRangeDivisor(std::uint64_t span);

// The intelligent search's estimate: with `done` of `total` bar steps after
// `elapsedMs`, ((elapsed / 100) x (total - done) / done) x 100 ms; 0 until a
// step is done or once all are.
std::uint64_t EstimateRemainingMs(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t total);

// The lost-partition search's estimate in whole seconds plus one:
// ((end - done) x elapsed / done) / 1000 + 1; 0 when nothing is done yet.
std::uint64_t LostSearchRemainingSeconds(std::uint64_t elapsedMs, std::uint64_t done, std::uint64_t end);

// A counter as the dialogs show it: its low 32 bits as a signed number.
std::string CounterText(std::uint64_t value);

} // namespace qm
