#include "app/file_type_catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "filemodel/file_type_map.h"
#include "filemodel/raw_type_ids.h"
#include "log_lines.h"
#include "storage/mem_alloc.h"
#include "support/scratch_files.h"

namespace {

std::string WriteCatalogue(const std::string& name, const std::string& text)
{
    const auto path = qm::ScratchPath(name);
    std::ofstream(path) << text;
    return path.string();
}

std::string Type(const std::string& description, const std::vector<std::string>& extensions, int selected)
{
    std::string text = description.empty() ? "<FileType>" : "<FileType Description=\"" + description + "\">";
    for (const std::string& extension : extensions) {
        text += "<Extention>" + extension + "</Extention>";
    }
    return text + "<Selected>" + std::to_string(selected) + "</Selected></FileType>";
}

TEST(FileTypeCatalogue, NumbersCategoriesAndTypesInDocumentOrder)
{
    const std::string path = WriteCatalogue(
        "catalogue_rules.xml",
        "<FileFilter RootName=\"All\" Selected=\"2\" iconIndex=\"4\" IsMutex=\"1\">"
        "<FileCategory Description=\"Pictures\" Label=\"Pics\" ShowComment=\"photos\" iconIndex=\"2\" IsMutex=\"\">"
        "<Selected>2</Selected>" +
            Type("JPEG", {"jpg", "JPEG"}, 2) + Type("", {"", "ABCDEFGHIJ"}, 0) + Type("No extensions", {}, 2) +
            "</FileCategory>"
            "<FileCategory Label=\"hidden\"><Selected>2</Selected>" +
            Type("Lost", {"lost"}, 2) +
            "</FileCategory>"
            "<FileCategory Description=\"Other\" IsMutex=\"1\">" +
            Type("Before selected", {"bef"}, 2) + "<Selected>0</Selected>" + Type("After", {"aft"}, 7) +
            "</FileCategory></FileFilter>");
    CMapFileTypeInfo catalogue;
    ASSERT_EQ(catalogue.Load(path.c_str()), 0);
    EXPECT_EQ(catalogue.Ids(), (std::vector<int>{0, 1, 2, 3, 4, 5}));

    const FileTypeEntry* root = catalogue.FindById(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->description, "All");
    EXPECT_EQ(root->level, 0);
    EXPECT_EQ(root->parentId, -1);
    EXPECT_EQ(root->checkState, 2);
    EXPECT_EQ(root->iconIndex, 4);
    EXPECT_EQ(root->isMutex, 0);  // the root's flag is never read

    const FileTypeEntry* pictures = catalogue.FindById(1);
    EXPECT_EQ(pictures->description, "Pictures");
    EXPECT_EQ(pictures->label, "Pics");
    EXPECT_EQ(pictures->comment, "photos");
    EXPECT_EQ(pictures->level, 1);
    EXPECT_EQ(pictures->parentId, 0);
    EXPECT_EQ(pictures->checkState, 2);
    EXPECT_EQ(pictures->isMutex, 0);
    EXPECT_TRUE(pictures->extensions.empty());

    const FileTypeEntry* jpeg = catalogue.FindById(2);
    EXPECT_EQ(jpeg->level, 2);
    EXPECT_EQ(jpeg->parentId, 1);
    EXPECT_EQ(jpeg->extensions, (std::vector<std::string>{"jpg", "JPEG"}));
    const FileTypeEntry* unnamed = catalogue.FindById(3);
    EXPECT_EQ(unnamed->description, "Unknown File Type.");
    EXPECT_EQ(unnamed->extensions, (std::vector<std::string>{"???", "ABCDEFG"}));
    EXPECT_EQ(unnamed->checkState, 0);

    // The category without a Description vanished with its type, and the
    // numbering went on without a gap; a type with no extension has no id.
    const FileTypeEntry* other = catalogue.FindById(4);
    EXPECT_EQ(other->description, "Other");
    EXPECT_EQ(other->isMutex, 1);
    // Its "Selected" comes after a type: that type is not seen.
    const FileTypeEntry* after = catalogue.FindById(5);
    EXPECT_EQ(after->description, "After");
    EXPECT_EQ(after->parentId, 4);
    EXPECT_EQ(after->checkState, 7);  // kept as read
    EXPECT_EQ(other->checkState, 0);

    int* ids = nullptr;
    unsigned count = 0;
    ASSERT_EQ(catalogue.GetIdList(&ids, &count), 0);
    ASSERT_EQ(count, 6u);
    EXPECT_EQ(ids[5], 5);
    EXPECT_EQ(catalogue.GetIdList(&ids, &count), CMapFileTypeInfo::kErrorBadArgument);
    MemFree(ids);
}

TEST(FileTypeCatalogue, KeepsTextsShortAndThirtyExtensions)
{
    std::vector<std::string> many;
    for (int i = 0; i < 35; ++i) {
        many.push_back("e" + std::to_string(i));
    }
    const std::string longText(100, 'x');
    const std::string path = WriteCatalogue(
        "catalogue_limits.xml", "<F RootName=\"r\"><FileCategory Description=\"" + longText + "\"><Selected>2</Selected>" +
                                    Type("Many", many, 2) + "</FileCategory></F>");
    CMapFileTypeInfo catalogue;
    ASSERT_EQ(catalogue.Load(path.c_str()), 0);
    EXPECT_EQ(catalogue.FindById(1)->description, std::string(79, 'x'));
    const FileTypeEntry* type = catalogue.FindById(2);
    ASSERT_EQ(type->extensions.size(), 30u);
    EXPECT_EQ(type->extensions.back(), "e29");
}

TEST(FileTypeCatalogue, ErrorsOfUnreadableAndEmptyFiles)
{
    qm::test::LogLines log;
    CMapFileTypeInfo catalogue;
    const std::string broken = WriteCatalogue("catalogue_broken.xml", "<FileFilter RootName=\"r\">\n<FileCategory>\n</FileFilter>");
    EXPECT_EQ(catalogue.Load(broken.c_str()), CMapFileTypeInfo::kErrorUnreadable);
    const std::vector<std::string> lines = log.Take();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Line:339 \t err:11"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("line=\"3\" linepos="), std::string::npos) << lines[1];

    EXPECT_EQ(catalogue.Load("/nonexistent/FileFilter.xml"), CMapFileTypeInfo::kErrorUnreadable);
    const std::string empty = WriteCatalogue("catalogue_empty.xml", "<?xml version=\"1.0\"?><!-- nothing -->");
    EXPECT_EQ(catalogue.Load(empty.c_str()), CMapFileTypeInfo::kErrorUnreadable);
    log.Take();
    const std::string noCategory = WriteCatalogue("catalogue_none.xml", "<FileFilter RootName=\"Root\"/>");
    EXPECT_EQ(catalogue.Load(noCategory.c_str()), CMapFileTypeInfo::kErrorNoCategory);
    EXPECT_NE(log.Take().at(0).find("Line:386 \t err:1168"), std::string::npos);
    // Entries added before the error stay.
    ASSERT_NE(catalogue.FindById(0), nullptr);
    EXPECT_EQ(catalogue.FindById(0)->description, "Root");
    EXPECT_EQ(catalogue.Add(nullptr), CMapFileTypeInfo::kErrorBadArgument);
    FileTypeEntry again;
    again.description = "Second";
    EXPECT_EQ(catalogue.Add(&again), 0);
    EXPECT_EQ(catalogue.FindById(0)->description, "Root");  // the first entry of an id stays
}

TEST(FileTypeCatalogue, ChoiceBuildsTheExtensionSetInEachMode)
{
    const std::string path = WriteCatalogue(
        "catalogue_modes.xml",
        "<F RootName=\"r\"><FileCategory Description=\"Pictures\"><Selected>1</Selected>" + Type("JPEG", {"JPG"}, 2) +
            Type("PNG", {"png"}, 0) + "</FileCategory><FileCategory Description=\"Other\" IsMutex=\"1\"><Selected>0</Selected>" +
            Type("Any", {"*", "png"}, 0) + "</FileCategory></F>");
    CMapFileTypeInfo catalogue;
    ASSERT_EQ(catalogue.Load(path.c_str()), 0);
    CFileTypeMap map;

    BuildFileTypeMap(map, catalogue, 1);  // every type
    EXPECT_EQ(map.GetMode(), CFileTypeMap::kAllFiles);
    EXPECT_EQ(map.IsFileTypeInList("xyz"), 1);

    BuildFileTypeMap(map, catalogue, 0);  // no chosen mutex category: inclusion
    EXPECT_EQ(map.GetMode(), CFileTypeMap::kInclude);
    EXPECT_EQ(map.IsFileTypeInList("jpg"), 1);
    EXPECT_EQ(map.IsFileTypeInList("JPG"), 1);
    EXPECT_EQ(map.IsFileTypeInList("png"), 0);
    EXPECT_EQ(map.IsFileTypeInList(nullptr), 0);

    // Choosing the mutex category turns the set into exclusions: every
    // extension passes except those listed only by unchosen types.
    const_cast<FileTypeEntry*>(catalogue.FindById(4))->checkState = 2;
    BuildFileTypeMap(map, catalogue, 0);
    EXPECT_EQ(map.GetMode(), CFileTypeMap::kExclude);
    EXPECT_EQ(map.IsFileTypeInList("doc"), 1);
    EXPECT_EQ(map.IsFileTypeInList("jpg"), 1);
    EXPECT_EQ(map.IsFileTypeInList("PNG"), 0);
}

TEST(FileTypeCatalogue, TheProgramsOwnFileCoversEveryCarvedType)
{
    const std::string path = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    qm::test::LogLines log;
    CMapFileTypeInfo catalogue;
    ASSERT_EQ(catalogue.Load(path.c_str()), 0);
    EXPECT_TRUE(log.Take().empty());

    const std::vector<int> ids = catalogue.Ids();
    ASSERT_GT(ids.size(), 80u);
    std::set<std::string> extensions;
    int parent = -1;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i], static_cast<int>(i));  // no gaps
        const FileTypeEntry* entry = catalogue.FindById(ids[i]);
        ASSERT_NE(entry, nullptr);
        EXPECT_FALSE(entry->description.empty());
        EXPECT_LE(entry->description.size(), FileTypeEntry::kMaxText);
        EXPECT_EQ(entry->checkState, 2) << entry->description;
        if (entry->level == 1) {
            parent = entry->id;
            EXPECT_EQ(entry->parentId, 0);
            EXPECT_FALSE(entry->label.empty());
            EXPECT_FALSE(entry->comment.empty());
        } else if (entry->level == 2) {
            EXPECT_EQ(entry->parentId, parent) << entry->description;
            EXPECT_FALSE(entry->extensions.empty());
            for (const std::string& extension : entry->extensions) {
                EXPECT_LE(extension.size(), FileTypeEntry::kMaxExtension);
                EXPECT_TRUE(extensions.insert(extension).second) << "listed twice: " << extension;
                for (char c : extension) {
                    EXPECT_FALSE(c >= 'A' && c <= 'Z') << extension;
                }
            }
        }
    }
    for (int type = 1; type <= kLastBuiltInRawType; ++type) {
        std::string name = kBuiltInRawTypeNames[type];
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(extensions.count(name)) << "carved type not in the catalogue: " << name;
    }
    for (const char* usual : {"jpeg", "txt", "mkv", "7z", "flac", "eml", "otf"}) {
        EXPECT_TRUE(extensions.count(usual)) << usual;
    }

    // With everything chosen, the last category (every other type) makes
    // the choice one of exclusions that lets every file through.
    CFileTypeMap map;
    BuildFileTypeMap(map, catalogue, 0);
    EXPECT_EQ(map.IsFileTypeInList("jpg"), 1);
    EXPECT_EQ(map.IsFileTypeInList("unheard"), 1);
}

}  // namespace
