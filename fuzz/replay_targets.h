// The fuzz targets that the replay program holds, by name; the table ends
// with a null entry.
#pragma once

#include <cstddef>
#include <cstdint>

struct FuzzReplayTarget {
  const char* name;
  int (*run)(const std::uint8_t* data, std::size_t size);
};

extern const FuzzReplayTarget kFuzzReplayTargets[];
