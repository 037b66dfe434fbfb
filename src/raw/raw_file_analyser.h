// The interface of one carved file format: recognise a file from its first
// sector and find its length on the device.
#pragma once

#include <string>

#include "platform/byte_view.h"

class CRawFileInfo;
class IStorageDevice;

class IRawFileAnalyser {
public:
  virtual ~IRawFileAnalyser() = default;

  // Finds the length of the file that starts at the record's start sector
  // (sector numbers of the device are the record's) and stores it with
  // SetLength; may set the type again. Callers ignore the result.
  virtual int AnalyseFileSize(CRawFileInfo* /*info*/, IStorageDevice* /*device*/) { return 1; }

  // Nonzero when the sector is the first sector of a file of this format;
  // it then has set the record's type (and its length when the header alone
  // gives it). The view covers one whole sector of the scanned device.
  virtual int CheckHeader(qm::ByteView sector, CRawFileInfo* info) = 0;

  // Name parts read from the file's metadata by AnalyseFileSize.
  virtual std::string GetExtraName() { return {}; }
  virtual std::string GetExtraName2() { return {}; }

  // The type id this analyser stands for; set by each concrete analyser.
  int typeId = -1;
};
