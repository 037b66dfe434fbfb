// The RTF reader over arbitrary bytes: recovered documents may be anything.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "preview/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qm::RtfDocument document = qm::ReadRtf(bytes);
  std::size_t total = 0;
  for (const auto& paragraph : document.paragraphs)
    for (const auto& run : paragraph.runs)
      total += run.text.size();
  if (total > qm::kRtfMaxOutput + 4) __builtin_trap();
  return 0;
}
