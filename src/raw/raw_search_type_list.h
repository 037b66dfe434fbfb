// The one process-wide list of carving analysers. Every sector of a scan is
// tested against them in list order and the first that accepts it takes
// it, so the order is the match priority. The list is made from the type
// ids chosen in the settings; the result tree finds the analyser of a
// record in it by the record's analyser type.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <span>
#include <string_view>

#include "platform/byte_view.h"
#include "raw/raw_file_analyser.h"

class CRawFileInfo;

// Makes the analyser of user-defined headers; the default loads the
// scripts beside the program.
using CustomAnalyserMaker = std::function<std::unique_ptr<IRawFileAnalyser>()>;
std::unique_ptr<IRawFileAnalyser> MakeDefaultCustomAnalyser();

class RawSearchTypeList {
public:
  using List = std::list<std::unique_ptr<IRawFileAnalyser>>;

  // The process-wide list; on the first call it is built with one analyser
  // of every class (RegisterRawAnalysersA), which serves until the first
  // Refill (scan results loaded without a scan prepared).
  static RawSearchTypeList& Get();

  RawSearchTypeList() = default;
  RawSearchTypeList(const RawSearchTypeList&) = delete;
  RawSearchTypeList& operator=(const RawSearchTypeList&) = delete;

  // Deletes every analyser (records that point at them must not use them
  // any more), then appends the analysers of each id in the given order.
  // An empty list of ids leaves the list empty.
  void Refill(std::span<const int> typeIds, const CustomAnalyserMaker& makeCustom = MakeDefaultCustomAnalyser);
  // Deletes every analyser.
  void Clear() { analysers_.clear(); }

  const List& Analysers() const { return analysers_; }
  List& Analysers() { return analysers_; }
  bool IsEmpty() const { return analysers_.empty(); }
  std::size_t Size() const { return analysers_.size(); }

  // Tests the sector against every analyser in list order; an exception out
  // of an analyser counts as no match. The first that accepts it is
  // returned, and the record then carries it and its type id as analyser
  // type. Null when none accepts it (the record's type may have been
  // touched by an analyser that refused).
  IRawFileAnalyser* MatchSector(qm::ByteView sector, CRawFileInfo* record) const;

  // Whether the analyser is one of the list's (a record's analyser is
  // only usable until the list is refilled).
  bool Contains(const IRawFileAnalyser* analyser) const;

  // The first analyser whose type id, taken as 16 bits, equals the
  // analyser type of a record; null when there is none.
  IRawFileAnalyser* FindByAnalyserType(int analyserType) const;

private:
  List analysers_;
};

// What the sector dispatch may know of an analyser before asking it: its
// header test can only accept a sector whose byte at `offset` is one of
// `bytes`. An analyser without a prefilter (offset < 0) is asked about
// every sector. A prefilter must never refuse a sector that the analyser's
// CheckHeader would accept, so it is kept beside the analyser classes'
// signatures here and proved against them by the dispatch tests.
struct RawPrefilter {
  int offset = -1;
  std::string_view bytes;
  bool Any() const { return offset < 0; }
};

// The prefilter of a built-in analyser class; none for the analyser of
// user-defined headers and for classes this table does not know.
RawPrefilter GetRawPrefilter(const IRawFileAnalyser& analyser);

// Whether analysers of this class answer alike for equal sectors, so that
// only the first of several instances in a list can ever match (the
// built-in classes and the analyser of user-defined headers, whose
// instances load the same scripts).
bool IsInterchangeableAnalyser(const IRawFileAnalyser& analyser);

// Appends one analyser of every class, the family analysers in their
// match order and the analyser of user-defined headers last.
void RegisterRawAnalysersA(RawSearchTypeList::List& list,
                           const CustomAnalyserMaker& makeCustom = MakeDefaultCustomAnalyser);

// Appends new analysers that stand for one type id: none for DLL and EXE,
// the analyser of user-defined headers for ids outside 1..73, else those
// of the id's format family in their order (HTM: 8-bit text, then UTF-16;
// DOC: compound file, then the older Word layout; SHW, WPD, WPG: compound
// file, then WordPerfect).
void RegisterRawAnalysersB(int typeId, RawSearchTypeList::List& list,
                           const CustomAnalyserMaker& makeCustom = MakeDefaultCustomAnalyser);
