// The result-stream reader over arbitrary file bytes: header checks, the
// section walk, and piece decoding must raise CRSException or succeed, never
// read out of bounds, allocate by a stored length, or loop without end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "filemodel/crs_data.h"

namespace {

std::string ScratchPath() {
  static const std::string path = "/tmp/qm_rs_fuzz_" + std::to_string(getpid()) + ".rdf";
  return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchPath();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    if (size != 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  } else {
    return 0;
  }
  static CRSDataEx reader(CRSData::kReadMode);
  if (!reader.Open(path.c_str(), 0)) return 0;
  const qm::ByteView bytes(data, size);
  try {
    reader.IsValid();
    RSHeader header;
    reader.ReadHeader(header);
    char text[101];
    reader.GetText(text, sizeof text);
    reader.GetFileKind();
  } catch (const IRSException&) {
  }
  // The section GUIDs of the first section headers, and one that is absent.
  GUID ids[3] = {qm::LoadGuid(bytes, qm::kRSHeaderSize + 16), qm::LoadGuid(bytes, size > 64 ? size - 64 : 0),
                 GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}};
  std::uint8_t out[5000];
  for (const GUID& id : ids) {
    try {
      if (!reader.TryOpenSection(id)) continue;
      // Read sizes vary so that reads straddle piece edges.
      for (std::uint32_t n = 1; n < 2 * sizeof out; n = n * 3 + 1) reader.Read(out, n % sizeof out);
    } catch (const IRSException&) {
    }
  }
  reader.Close();
  return 0;
}
