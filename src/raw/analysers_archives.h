// The carving analysers of archive formats: ZIP (and the office packages
// and drawings stored as ZIP), RAR, cabinets, gzip, LHA and tar.
#pragma once

#include "raw/raw_file_analyser.h"

// ZIP archives (68), typed DOCX, XLSX, PPTX (69-71) when the archive is an
// office package holding the main part of its kind, or CDR (11) for a
// drawing package; sized by walking record after record.
class FileZIPAnalyser : public IRawFileAnalyser {
public:
  FileZIPAnalyser() { typeId = 68; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;

private:
  // Taken from the first record of the archive sized last.
  bool officePackage_ = false; // first entry "[Content_Types].xml"
  bool drawingPackage_ = false; // first entry "content/riffData.cdr"
};

// RAR archives of format 1.5 to 4.x (54), sized by their block headers.
class FileRARAnalyser : public IRawFileAnalyser {
public:
  FileRARAnalyser() { typeId = 54; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// Cabinets (10); the header gives the cabinet's size.
class FileCABAnalyser : public IRawFileAnalyser {
public:
  FileCABAnalyser() { typeId = 10; }
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// gzip files (29), sized by inflating their members (bounded by the
// maximum carved size).
class FileGZAnalyser : public IRawFileAnalyser {
public:
  FileGZAnalyser() { typeId = 29; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// LHA archives with -lh5- or -lh0- members (34), sized header by header.
class FileLZHAnalyser : public IRawFileAnalyser {
public:
  FileLZHAnalyser() { typeId = 34; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

// POSIX tar archives (59), sized member by member to the end blocks and
// the zero blocks that fill the archive's last record.
class FileTARAnalyser : public IRawFileAnalyser {
public:
  FileTARAnalyser() { typeId = 59; }
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
