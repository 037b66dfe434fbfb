// The set of file-name extensions that the user's choice of file types lets
// through. The tree builds ask it about every name they find; the file-type
// page rebuilds it from the catalogue of types.
#pragma once

#include <atomic>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "filemodel/read_write_lock.h"

// One entry of the file-type catalogue as far as the choice needs it.
struct FileTypeChoice {
  int checkState = 0;                  // 2 chosen, 0 not chosen
  int isMutex = 0;                     // a chosen entry with this flag makes the list one of exclusions
  std::vector<std::string> extensions; // without the dot
};

class CFileTypeMap {
public:
  enum Mode : int { kAllFiles = 0, kInclude = 1, kExclude = 2 };

  // The one process-wide set, made on first use.
  static CFileTypeMap& GetInstance();

  // Rebuilds the set from the catalogue entries (in ascending id order).
  // allTypes: every file passes. Otherwise the chosen entries' extensions
  // pass; when a chosen entry has the mutex flag, the set instead lists the
  // extensions of the entries not chosen (unless a chosen entry lists them
  // too), and those are left out.
  void Build(std::span<const FileTypeChoice> catalogue, int allTypes);
  void Clear();

  // Whether the set holds any extension at all (none: every file passes).
  // Takes no lock: the tree builds ask it for every name, from several
  // threads at once.
  bool HasExtensions();
  int GetMode();

  // Non-zero when a file with this extension is to be recovered. The
  // extension may begin with its dot; case does not matter. A null text
  // gives 0, an empty set 1.
  int IsFileTypeInList(const char* extension);

private:
  // Adds an extension (key: lower case, without a leading dot) unless it is
  // there already.
  void Add(std::string_view extension);

  CReadWriteLock lock_;
  std::unordered_map<std::string, std::string> extensions_; // key -> as written
  std::atomic<bool> hasExtensions_{false};                  // !extensions_.empty(), set under the lock
  int mode_ = kAllFiles;
};

// The question the tree builds ask: IsFileTypeInList of the process-wide
// set.
int IsFileTypeInList(const char* extension);
