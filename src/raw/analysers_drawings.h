// Carving analysers of vector-drawing and CAD formats: Windows and enhanced
// metafiles, encapsulated PostScript, FreeHand 11, 3D Studio, AutoCAD
// drawings and drawing-exchange text.
#pragma once

#include "raw/raw_file_analyser.h"

class FileWMFAnalyser : public IRawFileAnalyser {
public:
  FileWMFAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileEMFAnalyser : public IRawFileAnalyser {
public:
  FileEMFAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileEPSAnalyser : public IRawFileAnalyser {
public:
  FileEPSAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileFH11Analyser : public IRawFileAnalyser {
public:
  FileFH11Analyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class File3DSAnalyser : public IRawFileAnalyser {
public:
  File3DSAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileDWGAnalyser : public IRawFileAnalyser {
public:
  FileDWGAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileDXFAnalyser : public IRawFileAnalyser {
public:
  FileDXFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
