// Content of a found file that does not lie in its extents: NTFS keeps
// small files inside their MFT record, and the encryption metadata of an
// encrypted file in a stream of its own. Properties whose engine can read
// such content implement this beside IFileProperties; the saver asks for it
// with a dynamic_cast, so the file model needs no engine.
#pragma once

#include <cstddef>
#include <cstdint>

class CFileNode;
class IStorageDevice;

class IFileStreamSource {
public:
  virtual ~IFileStreamSource() = default;
  // The content of the file's resident data: 1 with *length set when it
  // fits the buffer, else 0.
  virtual int ReadResidentData(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                               std::uint8_t* buffer, std::uint32_t bufferSize) = 0;
  // The file's encryption metadata stream: 1 with *length set, else 0.
  virtual int ReadEncryptionMetadata(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                                     std::uint8_t* buffer, std::uint32_t bufferSize) = 0;
};
