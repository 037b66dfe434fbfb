// Turning found names into files and folders under the user's target
// folder. Names come from disk and are hostile: whatever they hold, nothing
// is created outside the target folder.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The root node's name as a folder name: each of : ? \ / | * > < and the
// double quote becomes '#' (a root named "D:" is saved as "D#").
std::string SanitizeRootName(std::string_view name);

// A name from disk as one path component: '/' and NUL become '#', "." and
// ".." become "#" and "##", an empty name becomes "#", and a name longer
// than the file system allows is cut at a character border.
std::string SanitizeEntryName(std::string_view name);

// Cuts text to at most limit bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, std::size_t limit);

// The longest name a folder entry may have, in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

// Why a new file or folder could not be made: the platform's error number
// (ENOENT, ENOTDIR, ENAMETOOLONG, EEXIST, ...), 0 when it was made. With
// fd, the new file stays open for writing and its descriptor is the
// caller's; else it is closed.
int CreateNewFile(const std::string& path, int* fd = nullptr);

} // namespace qm

// Creates the folder at path; when it exists, tries "path_000", "path_001",
// ... for as long as the failure is that the folder exists. On success path
// holds the folder that was made. false on any other failure.
bool CreateUniqueDirectory(std::string& path);

// Creates folder/stem_NNN.ext (NNN from 000 to 999) as a new, empty file,
// splitting name at its last dot. 0 when a file was made (its path in
// created, and with fd its open descriptor), else the last error number.
int CreateNumberedFile(const std::string& folder, const std::string& name, std::string& created,
                       int* fd = nullptr);

// Makes a new, empty file for name: folder/name; when the folder is missing
// or the path too long, base/name; when the name is taken, a numbered name
// in the same place. base and folder end without a '/'. true when a new
// file now exists at path; with fd it is left open for writing, its
// descriptor the caller's, so that the file is opened once.
bool PrepareTargetFile(const std::string& base, const std::string& folder, const std::string& name,
                       std::string& path, int* fd = nullptr);
