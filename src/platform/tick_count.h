// Milliseconds from a steady clock, for progress intervals and time-outs.
#pragma once

#include <cstdint>

namespace qm {

// Milliseconds since an arbitrary start; never goes backwards.
std::uint64_t GetTickCount64();

// The same, truncated to 32 bits: wraps after about 49.7 days, so compare
// two readings by unsigned subtraction.
inline std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(GetTickCount64()); }

} // namespace qm
