// Temporary copies of found files for previews and thumbnails. Each copy
// gets a name of its own (previews and the thumbnail loader run at the
// same time), its maker deletes it, and whatever is still there when the
// program ends is swept away.
#pragma once

#include <mutex>
#include <set>
#include <string>

namespace qm {

class CTempPathNameSignle {
public:
  static CTempPathNameSignle& GetInstance();

  // A new, unique name "~@!XXXXXX.tmp" in the system's temporary folder
  // ($TMPDIR, else /tmp). The file is made (so the name stays ours) and
  // left empty; the copy may overwrite it. Empty when no name could be made.
  std::string MakeTempName();
  // Deletes the file, and files of the same name with ".doc" or ".xls" in
  // place of ".tmp", and forgets the name.
  void DeleteTempFile(const std::string& path);
  // Keeps a further file (a copy handed to another program) to be deleted
  // at the sweep.
  void KeepUntilExit(const std::string& path);
  // Deletes every file still registered.
  void SweepAll();
  // How many names are registered (tests).
  std::size_t Outstanding();

  // Where the names are made; empty: the system's temporary folder.
  void SetFolder(const std::string& folder);

  ~CTempPathNameSignle();

private:
  CTempPathNameSignle() = default;
  std::mutex lock_;
  std::set<std::string> names_;
  std::string folder_;
};

} // namespace qm
