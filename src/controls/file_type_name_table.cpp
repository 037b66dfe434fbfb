#include "controls/file_type_name_table.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMimeDatabase>

#include "app/string_table.h"

namespace qm {
namespace {

std::string Capitalised(std::string name)
{
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    }
    return name;
}

}  // namespace

CFileTypeNameTable& CFileTypeNameTable::GetInstance()
{
    static CFileTypeNameTable table;
    return table;
}

void CFileTypeNameTable::AddType(const std::string& typeName, std::string_view extension)
{
    std::string& list = map_[typeName];
    if (!list.empty()) {
        list += ';';
    }
    list += extension;
}

std::string CFileTypeNameTable::GetTypeInfo(std::string_view extension)
{
    static const QMimeDatabase database;
    const QString name = QStringLiteral("file.") + QString::fromUtf8(extension.data(), static_cast<int>(extension.size()));
    const QMimeType type = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) {
        return {};
    }
    return Capitalised(type.comment().toStdString());
}

QString CFileTypeNameTable::AllFilesName() { return LoadAppString(420); }

QString CFileTypeNameTable::PlainFileName() { return QCoreApplication::translate("CFileTypeNameTable", "File"); }

void CFileTypeNameTable::Load()
{
    // The all-files entries sort before every other name.
    AddType(".00" + AllFilesName().toStdString(), "*");
    AddType(".01" + PlainFileName().toStdString(), "*");
    const QMimeDatabase database;
    for (const QMimeType& type : database.allMimeTypes()) {
        const std::string name = Capitalised(type.comment().toStdString());
        if (name.empty()) {
            continue;
        }
        for (const QString& suffix : type.suffixes()) {
            AddType(name, "." + suffix.toStdString());
        }
    }
}

}  // namespace qm
