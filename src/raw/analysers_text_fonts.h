// Carving analysers of page-description, text-document and font formats:
// PDF (and Illustrator files saved as PDF), RTF, HTML in 8-bit text and in
// UTF-16, WordPerfect documents and graphics, TrueType fonts.
#pragma once

#include "raw/raw_file_analyser.h"

class FilePDFAnalyser : public IRawFileAnalyser {
public:
  FilePDFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileRTFAnalyser : public IRawFileAnalyser {
public:
  FileRTFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileHTMAnalyser : public IRawFileAnalyser {
public:
  FileHTMAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileUnicodeHTMAnalyser : public IRawFileAnalyser {
public:
  FileUnicodeHTMAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileWPDAnalyser : public IRawFileAnalyser {
public:
  FileWPDAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileTTFAnalyser : public IRawFileAnalyser {
public:
  FileTTFAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
