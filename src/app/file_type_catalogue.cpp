#include "app/file_type_catalogue.h"

#include <cstdlib>
#include <cstring>

#include "app/markup_xml.h"
#include "filemodel/file_type_map.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "storage/mem_alloc.h"

namespace {

constexpr char kSourceName[] = ".\\controller\\MapFileTypeInfo";

void LogCatalogueError(int line, int error)
{
    LogError("FileNO:%X \t  Line:%d \t err:%d", FileNameToFileCode(kSourceName), line, error);
}

// At most `limit` bytes, never cutting a UTF-8 character in two.
std::string Cut(std::string text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

int ToInt(const std::string& text) { return std::atoi(text.c_str()); }

// The text of the next "Selected" child of `markup`'s main element, read
// as the check state; 0 when there is none.
int ReadSelected(CMarkupMSXML& markup)
{
    return markup.FindChildElement("Selected") ? ToInt(markup.GetChildData()) : 0;
}

}  // namespace

int CMapFileTypeInfo::Add(const FileTypeEntry* entry)
{
    if (entry == nullptr) {
        LogCatalogueError(63, kErrorBadArgument);
        return kErrorBadArgument;
    }
    entries_.try_emplace(entry->id, std::make_unique<FileTypeEntry>(*entry));
    return 0;
}

const FileTypeEntry* CMapFileTypeInfo::FindById(int id) const
{
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.get();
}

std::vector<int> CMapFileTypeInfo::Ids() const
{
    std::vector<int> ids;
    ids.reserve(entries_.size());
    for (const auto& [id, entry] : entries_) {
        ids.push_back(id);
    }
    return ids;
}

int CMapFileTypeInfo::GetIdList(int** ids, unsigned* count) const
{
    if (ids == nullptr || count == nullptr || *ids != nullptr) {
        return kErrorBadArgument;
    }
    *count = static_cast<unsigned>(entries_.size());
    if (entries_.empty()) {
        return 0;
    }
    const std::vector<int> list = Ids();
    *ids = static_cast<int*>(MemAlloc(list.size() * sizeof(int)));
    std::memcpy(*ids, list.data(), list.size() * sizeof(int));
    return 0;
}

int CMapFileTypeInfo::Load(const char* path)
{
    CMarkupMSXML markup;
    if (!markup.LoadFile(path)) {
        LogCatalogueError(339, kErrorUnreadable);
        LogError("FileFilter.xml: %s", markup.GetError().c_str());
        return kErrorUnreadable;
    }
    if (!markup.FindElement()) {
        LogCatalogueError(348, kErrorUnreadable);
        return kErrorUnreadable;
    }
    const std::string rootName = markup.GetAttribute("RootName");
    if (!rootName.empty()) {
        FileTypeEntry root;
        root.description = Cut(rootName, FileTypeEntry::kMaxText);
        root.checkState = ToInt(markup.GetAttribute("Selected"));
        root.iconIndex = ToInt(markup.GetAttribute("iconIndex"));
        Add(&root);
    }
    if (!markup.FindChildElement("FileCategory")) {
        LogCatalogueError(386, kErrorNoCategory);
        return kErrorNoCategory;
    }

    int nextId = 1;
    int error = 0;
    do {
        FileTypeEntry category;
        category.comment = Cut(markup.GetChildAttribute("ShowComment"), FileTypeEntry::kMaxText);
        category.description = Cut(markup.GetChildAttribute("Description"), FileTypeEntry::kMaxText);
        category.label = Cut(markup.GetChildAttribute("Label"), FileTypeEntry::kMaxText);
        category.iconIndex = ToInt(markup.GetChildAttribute("iconIndex"));
        category.isMutex = ToInt(markup.GetChildAttribute("IsMutex"));
        if (category.description.empty()) {
            continue;  // a category without a name is left out with its types
        }
        // The category's own content, walked forward only: its "Selected"
        // comes before its types.
        CMarkupMSXML content;
        content.SetDocument(markup.GetChildSubDocument().c_str());
        content.FindElement();
        category.checkState = ReadSelected(content);
        category.id = nextId++;
        category.level = 1;
        category.parentId = 0;
        if ((error = Add(&category)) != 0) {
            LogCatalogueError(475, error);
            break;
        }
        while (content.FindChildElement("FileType")) {
            FileTypeEntry type;
            type.description = content.GetChildAttribute("Description");
            if (type.description.empty()) {
                type.description = "Unknown File Type.";
            }
            type.description = Cut(type.description, FileTypeEntry::kMaxText);
            CMarkupMSXML typeContent;
            typeContent.SetDocument(content.GetChildSubDocument().c_str());
            typeContent.FindElement();
            while (typeContent.FindChildElement("Extention")) {
                if (type.extensions.size() == FileTypeEntry::kMaxExtensions) {
                    // Only 30 fit; the rest of the list is not read, and
                    // "Selected" is then looked for after the 30th.
                    LogInfo("FileFilter.xml: \"%s\" lists more than %zu extensions; the rest are ignored",
                            type.description.c_str(), FileTypeEntry::kMaxExtensions);
                    break;
                }
                std::string extension = Cut(typeContent.GetChildData(), FileTypeEntry::kMaxExtension);
                type.extensions.push_back(extension.empty() ? "???" : extension);
            }
            type.checkState = ReadSelected(typeContent);
            if (type.extensions.empty()) {
                continue;
            }
            type.id = nextId++;
            type.level = 2;
            type.parentId = category.id;
            if ((error = Add(&type)) != 0) {
                LogCatalogueError(620, error);
                LogCatalogueError(630, error);
                break;
            }
        }
        if (error != 0) {
            break;
        }
    } while (markup.FindChildElement("FileCategory"));

    if (error != 0) {
        LogCatalogueError(642, error);
    }
    return error;
}

void BuildFileTypeMap(CFileTypeMap& map, const CMapFileTypeInfo& catalogue, int allTypes)
{
    std::vector<FileTypeChoice> choices;
    for (int id : catalogue.Ids()) {
        const FileTypeEntry* entry = catalogue.FindById(id);
        choices.push_back({entry->checkState, entry->isMutex, entry->extensions});
    }
    map.Build(choices, allTypes);
}

namespace qm {

std::string FileFilterPath() { return (GetProgramFolder() / "FileFilter.xml").string(); }

}  // namespace qm
