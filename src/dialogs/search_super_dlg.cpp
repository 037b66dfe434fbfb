#include "dialogs/search_super_dlg.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileIconProvider>
#include <QtWidgets/QStyle>

#include <cstdio>

#include "app/string_table.h"

namespace qm {

QString FormatElapsed(std::uint32_t milliseconds)
{
    const std::uint32_t seconds = milliseconds / 1000 % 3600;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", milliseconds / 3600000u, seconds / 60, seconds % 60);
    return QString::fromLatin1(text);
}

QIcon GetShellFileIcon(const QString& path)
{
    static const QFileIconProvider provider;
    QIcon icon = provider.icon(QFileInfo(path));
    return icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : icon;
}

CSearchSuperDlg::CSearchSuperDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadAppString(346));
}

}  // namespace qm
