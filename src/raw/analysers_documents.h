// The carving analysers of document formats: compound documents (OLE,
// with the office and drawing types stored in them), early word-processor
// documents, compiled HTML help, Windows help and notebook files.
#pragma once

#include "raw/raw_file_analyser.h"

// Compound documents (44), typed by the names of their first directory
// entries (DOC, XLS, PPT, VSD, ... or MOF by default) and sized by their
// allocation table.
class FileOLEAnalyser : public IRawFileAnalyser {
public:
  FileOLEAnalyser() { typeId = 44; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Word documents of the early formats and compound documents (21); the
// header gives a length.
class FileLowDocAnalyser : public IRawFileAnalyser {
public:
  FileLowDocAnalyser() { typeId = 21; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Compiled HTML help (12); the header gives the file size.
class FileCHMAnalyser : public IRawFileAnalyser {
public:
  FileCHMAnalyser() { typeId = 12; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Windows help files (30); the header gives the file size.
class FileHLPAnalyser : public IRawFileAnalyser {
public:
  FileHLPAnalyser() { typeId = 30; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Notebook section files (45); the header gives the size.
class FileONEAnalyser : public IRawFileAnalyser {
public:
  FileONEAnalyser() { typeId = 45; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
