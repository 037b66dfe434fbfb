// SHA-256 for checking recovered files against fixture manifests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qm::test {

class Sha256 {
public:
  Sha256();
  void Update(const void* data, std::size_t size);
  // Lower-case hex digest; the object is spent afterwards.
  std::string HexDigest();

private:
  void Block(const std::uint8_t* block);
  std::uint32_t h_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t total_ = 0;
};

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace qm::test
