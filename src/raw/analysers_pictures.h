// Carving analysers of picture and camera-raw formats: JPEG, TIFF (and
// Nikon NEF), Canon CRW, PNG, GIF, BMP, icons and cursors, Photoshop, Paint
// Shop Pro and Corel Photo-Paint.
#pragma once

#include <string>

#include "raw/raw_file_analyser.h"

class FileJPGAnalyser : public IRawFileAnalyser {
public:
  FileJPGAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
  // The EXIF camera model (or make), and the capture date and time, of the
  // file sized last.
  std::string GetExtraName() override { return name_; }
  std::string GetExtraName2() override { return name2_; }

private:
  std::string name_;
  std::string name2_;
};

class FileTIFAnalyser : public IRawFileAnalyser {
public:
  FileTIFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
  // The camera model of a NEF file sized last; the second part stays empty.
  std::string GetExtraName() override { return name_; }
  std::string GetExtraName2() override { return name2_; }

private:
  std::string name_;
  std::string name2_;
};

class FileCRWAnalyser : public IRawFileAnalyser {
public:
  FileCRWAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FilePNGAnalyser : public IRawFileAnalyser {
public:
  FilePNGAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileGIFAnalyser : public IRawFileAnalyser {
public:
  FileGIFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileBMPAnalyser : public IRawFileAnalyser {
public:
  FileBMPAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileICOAnalyser : public IRawFileAnalyser {
public:
  FileICOAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FilePSDAnalyser : public IRawFileAnalyser {
public:
  FilePSDAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FilePSPAnalyser : public IRawFileAnalyser {
public:
  FilePSPAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileCPTAnalyser : public IRawFileAnalyser {
public:
  FileCPTAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
