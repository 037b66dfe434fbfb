// The catalogue of file categories and file types that the user narrows a
// recovery with, read from "FileFilter.xml" beside the program, and the
// wiring of the user's choice into the extension set the engines ask.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CFileTypeMap;

// One root, category or file type.
struct FileTypeEntry {
    static constexpr std::size_t kMaxText = 79;       // characters kept of each text
    static constexpr std::size_t kMaxExtension = 7;   // characters kept of an extension
    static constexpr std::size_t kMaxExtensions = 30; // extensions kept of a file type

    int id = 0;          // 0 the root; 1, 2, 3 ... in document order
    int level = 0;       // 0 root, 1 category, 2 file type
    int parentId = -1;   // -1 for the root, 0 for a category, the category's id for a type
    int checkState = 0;  // 2 chosen, 0 not chosen (other values kept as read)
    int iconIndex = 0;
    std::string description;
    std::string label;
    int isMutex = 0;     // categories only: a chosen one turns the choice into exclusions
    std::string comment;
    std::vector<std::string> extensions;  // without the dot
};

class CMapFileTypeInfo {
public:
    // Error codes of Load and Add.
    static constexpr int kErrorUnreadable = 11;
    static constexpr int kErrorNoCategory = 1168;
    static constexpr int kErrorBadArgument = 87;
    static constexpr int kErrorNoMemory = 8;

    CMapFileTypeInfo() = default;
    CMapFileTypeInfo(const CMapFileTypeInfo&) = delete;
    CMapFileTypeInfo& operator=(const CMapFileTypeInfo&) = delete;
    ~CMapFileTypeInfo() { Clear(); }

    // 0, or an error code (logged). Entries added before an error stay.
    int Load(const char* path);
    // 0, or 87 for a null entry; an id already present keeps its first entry.
    int Add(const FileTypeEntry* entry);
    const FileTypeEntry* FindById(int id) const;
    FileTypeEntry* FindById(int id) { return const_cast<FileTypeEntry*>(std::as_const(*this).FindById(id)); }
    // 87 when *ids is not null on entry; else *ids gets a MemAlloc'ed array
    // of every id in ascending order (none when the count is 0), which the
    // caller frees with MemFree.
    int GetIdList(int** ids, unsigned* count) const;
    std::vector<int> Ids() const;
    std::size_t Size() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

private:
    std::map<int, std::unique_ptr<FileTypeEntry>> entries_;
};

// Rebuilds the extension set from the catalogue's check states (ascending
// ids); allTypes lets every file pass.
void BuildFileTypeMap(CFileTypeMap& map, const CMapFileTypeInfo& catalogue, int allTypes);

namespace qm {
// The catalogue file beside the program.
std::string FileFilterPath();
}  // namespace qm
