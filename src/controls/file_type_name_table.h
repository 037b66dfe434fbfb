// The desktop's file-type names and the extensions of each, filled once at
// start-up from the MIME database; the find dialog lists them so that the
// user can search by type.
#pragma once

#include <QtCore/QString>

#include <map>
#include <string>
#include <string_view>

namespace qm {

class CFileTypeNameTable {
public:
    using Map = std::map<std::string, std::string>; // type name -> ".a;.b"

    static CFileTypeNameTable& GetInstance();

    const Map& GetMap() const { return map_; }
    // Fills the table: the two all-files entries first, then every
    // extension the desktop knows a type name for.
    void Load();
    // Appends an extension to the entry of that type name (or makes it).
    void AddType(const std::string& typeName, std::string_view extension);
    // The type name of a file with that extension ("txt"), first letter in
    // upper case; empty when the desktop knows none.
    static std::string GetTypeInfo(std::string_view extension);
    // The names of the two all-files entries, in the language in use:
    // "(All Files)" and the plain "File".
    static QString AllFilesName();
    static QString PlainFileName();
    void Clear() { map_.clear(); }

private:
    Map map_;
};

}  // namespace qm
