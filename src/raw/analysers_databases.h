// The carving analysers of mail stores and databases: personal folders,
// mail-client folders, Jet and ACE databases, and finance databases.
#pragma once

#include "raw/raw_file_analyser.h"

// Personal folder files (52); the header gives the size.
class FilePSTAnalyser : public IRawFileAnalyser {
public:
  FilePSTAnalyser() { typeId = 52; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Mail-client folder files (19); the header gives the size.
class FileDBXAnalyser : public IRawFileAnalyser {
public:
  FileDBXAnalyser() { typeId = 19; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Jet (37) and ACE (72) databases, sized page by page.
class FileMDBAnalyser : public IRawFileAnalyser {
public:
  FileMDBAnalyser() { typeId = 37; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Finance databases (38); a fixed length is taken.
class FileMNYAnalyser : public IRawFileAnalyser {
public:
  FileMNYAnalyser() { typeId = 38; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
