// Carving analysers of sound, video and animation formats: RIFF (WAV, AVI,
// animated cursors, Corel files), MP3 with ID3 tags, MIDI, Sun audio, ASF,
// QuickTime, MP4, 3GP and Flash.
#pragma once

#include <string>

#include "raw/raw_file_analyser.h"

class FileRIFFAnalyser : public IRawFileAnalyser {
public:
  FileRIFFAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileMP3Analyser : public IRawFileAnalyser {
public:
  FileMP3Analyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
  // The ID3 title and year of the file sized last with success.
  std::string GetExtraName() override { return title_; }
  std::string GetExtraName2() override { return year_; }

private:
  std::string title_;
  std::string year_;
};

class FileMIDAnalyser : public IRawFileAnalyser {
public:
  FileMIDAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileAUAnalyser : public IRawFileAnalyser {
public:
  FileAUAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileASFAnalyser : public IRawFileAnalyser {
public:
  FileASFAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileMOVAnalyser : public IRawFileAnalyser {
public:
  FileMOVAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileMP4Analyser : public IRawFileAnalyser {
public:
  FileMP4Analyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class File3GPAnalyser : public IRawFileAnalyser {
public:
  File3GPAnalyser();
  int AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) override;
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};

class FileSWFAnalyser : public IRawFileAnalyser {
public:
  FileSWFAnalyser();
  int CheckHeader(qm::ByteView sector, CRawFileInfo* info) override;
};
