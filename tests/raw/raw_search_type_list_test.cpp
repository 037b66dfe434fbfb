#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <typeindex>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "raw/analysers_archives.h"
#include "raw/analysers_databases.h"
#include "raw/analysers_documents.h"
#include "raw/analysers_drawings.h"
#include "raw/analysers_media.h"
#include "raw/analysers_pictures.h"
#include "raw/analysers_text_fonts.h"
#include "raw/custom_file_analyser.h"
#include "raw/raw_search_type_list.h"
#include "raw/raw_type_names.h"
#include "storage/app_settings.h"

namespace fs = std::filesystem;

namespace {

using Classes = std::vector<std::type_index>;

template <typename T> std::type_index C() { return std::type_index(typeid(T)); }

Classes ClassesOf(const RawSearchTypeList::List& list) {
  Classes classes;
  for (const auto& analyser : list)
    classes.emplace_back(typeid(*analyser));
  return classes;
}

// The classes in the order each first appears.
Classes FirstInstances(const RawSearchTypeList::List& list) {
  Classes seen;
  for (const auto& analyser : list) {
    const std::type_index type(typeid(*analyser));
    if (std::find(seen.begin(), seen.end(), type) == seen.end()) seen.push_back(type);
  }
  return seen;
}

std::unique_ptr<IRawFileAnalyser> NoScripts() {
  return std::make_unique<CustomFileAnalyser>(fs::path("/nonexistent/qm_no_scripts"));
}

TEST(RawSearchTypeList, EveryTypeChosenGivesTheFamiliesInTheirMatchPriority) {
  RawSearchTypeList list;
  const std::vector<int> all = AppSettings::AllRawTypes();
  list.Refill(all, NoScripts);
  // 73 ids, none for DLL and EXE, two each for DOC, HTM, SHW, WPD and WPG.
  EXPECT_EQ(list.Size(), 76u);
  const Classes expected = {
      C<File3DSAnalyser>(),  C<File3GPAnalyser>(),    C<FileONEAnalyser>(),        C<FileRIFFAnalyser>(),
      C<FilePDFAnalyser>(),  C<FileASFAnalyser>(),    C<FileAUAnalyser>(),         C<FileBMPAnalyser>(),
      C<FileCABAnalyser>(),  C<FileCHMAnalyser>(),    C<FileCPTAnalyser>(),        C<FileCRWAnalyser>(),
      C<FileICOAnalyser>(),  C<FileDBXAnalyser>(),    C<FileOLEAnalyser>(),        C<FileLowDocAnalyser>(),
      C<FileDWGAnalyser>(),  C<FileDXFAnalyser>(),    C<FileEMFAnalyser>(),        C<FileEPSAnalyser>(),
      C<FileFH11Analyser>(), C<FileGIFAnalyser>(),    C<FileGZAnalyser>(),         C<FileHLPAnalyser>(),
      C<FileHTMAnalyser>(),  C<FileUnicodeHTMAnalyser>(), C<FileJPGAnalyser>(),    C<FileLZHAnalyser>(),
      C<FileMIDAnalyser>(),  C<FileMDBAnalyser>(),    C<FileMNYAnalyser>(),        C<FileMOVAnalyser>(),
      C<FileMP3Analyser>(),  C<FileMP4Analyser>(),    C<FilePNGAnalyser>(),        C<FilePSDAnalyser>(),
      C<FilePSPAnalyser>(),  C<FilePSTAnalyser>(),    C<FileRARAnalyser>(),        C<FileRTFAnalyser>(),
      C<FileWPDAnalyser>(),  C<FileSWFAnalyser>(),    C<FileTARAnalyser>(),        C<FileTIFAnalyser>(),
      C<FileTTFAnalyser>(),  C<FileWMFAnalyser>(),    C<FileZIPAnalyser>()};
  EXPECT_EQ(FirstInstances(list.Analysers()), expected);
  for (const auto& analyser : list.Analysers())
    EXPECT_EQ(dynamic_cast<CustomFileAnalyser*>(analyser.get()), nullptr);
}

TEST(RawSearchTypeList, PhotoTypesGiveTheirAnalysersInTheChosenOrder) {
  RawSearchTypeList list;
  list.Refill(kPhotoRawTypes, NoScripts);
  const Classes expected = {
      C<FileBMPAnalyser>(), C<FileOLEAnalyser>(), C<FileRIFFAnalyser>(), C<FileCRWAnalyser>(),
      C<FileEMFAnalyser>(), C<FileEPSAnalyser>(), C<FileGIFAnalyser>(),  C<FileJPGAnalyser>(),
      C<FilePNGAnalyser>(), C<FilePSDAnalyser>(), C<FilePSPAnalyser>(),  C<FileTIFAnalyser>(),
      C<FileRIFFAnalyser>(), C<FileMIDAnalyser>(), C<FileMOVAnalyser>(), C<FileMP3Analyser>(),
      C<FileSWFAnalyser>(), C<FileRIFFAnalyser>(), C<FileWMFAnalyser>(), C<FileOLEAnalyser>()};
  EXPECT_EQ(ClassesOf(list.Analysers()), expected);
  // Every instance is its own object, so that records of one never dangle
  // when another is deleted.
  EXPECT_NE(list.Analysers().begin()->get(), std::next(list.Analysers().begin())->get());
}

TEST(RawSearchTypeList, TypeListsWithoutAnalysersAndRefillsInARow) {
  RawSearchTypeList list;
  const std::vector<int> noAnalyser = {20, 26}; // DLL and EXE
  list.Refill(noAnalyser, NoScripts);
  EXPECT_TRUE(list.IsEmpty());

  const std::vector<int> custom = {1000, 1001, 0, 74};
  list.Refill(custom, NoScripts);
  EXPECT_EQ(ClassesOf(list.Analysers()), Classes(4, C<CustomFileAnalyser>()));
  for (const auto& analyser : list.Analysers())
    EXPECT_EQ(analyser->typeId, -1);

  const std::vector<int> second = {68, 33};
  list.Refill(second, NoScripts);
  EXPECT_EQ(ClassesOf(list.Analysers()), (Classes{C<FileZIPAnalyser>(), C<FileJPGAnalyser>()}));
  list.Refill({}, NoScripts);
  EXPECT_TRUE(list.IsEmpty());
}

TEST(RawSearchTypeList, TheDefaultListHoldsEveryClassOnceAndUserTypesLast) {
  RawSearchTypeList::List list;
  RegisterRawAnalysersA(list, NoScripts);
  ASSERT_EQ(list.size(), 48u);
  EXPECT_EQ(FirstInstances(list).size(), 48u);
  EXPECT_EQ(std::type_index(typeid(*list.front())), C<File3DSAnalyser>());
  EXPECT_EQ(std::type_index(typeid(*list.back())), C<CustomFileAnalyser>());
  // The process-wide list starts as this default.
  EXPECT_EQ(RawSearchTypeList::Get().Size(), 48u);
}

class RawSearchOrder : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qm_order_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    // A user-defined type whose signature is the one of PDF files.
    std::ofstream(folder_ / "pdf.fhs", std::ios::binary)
        << "FILEINFO: EXTNAME=\"MYPDF\"\r\nFILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"%PDF-\"";
    RawTypeNames::ResetCustomForTest();
  }
  void TearDown() override {
    fs::remove_all(folder_);
    RawTypeNames::ResetCustomForTest();
  }
  CustomAnalyserMaker Scripts() const {
    return [folder = folder_] { return std::make_unique<CustomFileAnalyser>(folder); };
  }
  fs::path folder_;
};

TEST_F(RawSearchOrder, ASectorTwoAnalysersAcceptGoesToTheEarlierOne) {
  std::vector<std::uint8_t> sector(512, ' ');
  const std::string header = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n";
  std::copy(header.begin(), header.end(), sector.begin());
  const qm::ByteView view(sector.data(), sector.size());

  struct Case {
    std::vector<int> ids;
    int analyserType; // of the record that takes the sector
    bool custom;
  };
  const Case cases[] = {
      {{46, 1000}, 46, false}, // PDF chosen before the user type
      {{1000, 46}, -1, true},  // the user type first takes it
      {{5, 1000}, 46, false},  // AI brings the PDF analyser too
      {{1000, 1001}, -1, true},
  };
  for (const Case& c : cases) {
    RawSearchTypeList list;
    list.Refill(c.ids, Scripts());
    CRawFileInfo record;
    IRawFileAnalyser* winner = list.MatchSector(view, &record);
    ASSERT_NE(winner, nullptr) << c.ids[0];
    EXPECT_EQ(winner, list.Analysers().front().get()) << c.ids[0];
    EXPECT_EQ(record.GetAnalyser(), winner);
    EXPECT_EQ(record.GetAnalyserType(), c.analyserType);
    if (c.custom)
      EXPECT_STREQ(RawTypeNames::Get(record.GetType()), "MYPDF");
    else
      EXPECT_EQ(record.GetType(), 46);
  }
}

TEST_F(RawSearchOrder, AnalyserOfARecordIsFoundByItsAnalyserType) {
  RawSearchTypeList list;
  const std::vector<int> ids = {67, 21, 1000}; // XLS brings the compound-file analyser
  list.Refill(ids, Scripts());
  IRawFileAnalyser* ole = list.FindByAnalyserType(44);
  ASSERT_NE(ole, nullptr);
  EXPECT_EQ(ole, list.Analysers().front().get()); // the first of the two instances
  EXPECT_NE(dynamic_cast<FileLowDocAnalyser*>(list.FindByAnalyserType(21)), nullptr);
  EXPECT_NE(dynamic_cast<CustomFileAnalyser*>(list.FindByAnalyserType(0xFFFF)), nullptr);
  EXPECT_EQ(list.FindByAnalyserType(33), nullptr);
}

} // namespace
