// The file dialogs start where the user last chose a file, else in the
// home folder; never in the working directory.
#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <gtest/gtest.h>

#include "app/file_dialog_folder.h"

namespace qm {
namespace {

TEST(FileDialogFolder, StartsInTheFolderLastUsedElseHome) {
  QTemporaryDir home, working, chosen;
  ASSERT_TRUE(home.isValid() && working.isValid() && chosen.isValid());
  const QByteArray oldHome = qgetenv("HOME");
  const QString oldWorking = QDir::currentPath();
  qputenv("HOME", home.path().toLocal8Bit());
  QDir::setCurrent(working.path());

  EXPECT_EQ(FileDialogFolder(), QDir::homePath());
  EXPECT_EQ(InFileDialogFolder(QStringLiteral("scan_ZORV_CR.rsf")),
            QDir(QDir::homePath()).filePath(QStringLiteral("scan_ZORV_CR.rsf")));
  // A cancelled dialog changes nothing; a chosen file's folder is next.
  RememberFileDialogChoice(QString());
  EXPECT_EQ(FileDialogFolder(), QDir::homePath());
  RememberFileDialogChoice(QDir(chosen.path()).filePath(QStringLiteral("rescued.img")));
  EXPECT_EQ(FileDialogFolder(), chosen.path());
  EXPECT_EQ(InFileDialogFolder(QStringLiteral("scan.rsf")), QDir(chosen.path()).filePath(QStringLiteral("scan.rsf")));
  EXPECT_EQ(InFileDialogFolder(QString()), chosen.path());
  // A proposal with a folder of its own keeps it.
  EXPECT_EQ(InFileDialogFolder(QStringLiteral("/srv/x.qmi")), QStringLiteral("/srv/x.qmi"));
  // A folder that went away is no place to start: home again.
  chosen.remove();
  EXPECT_EQ(FileDialogFolder(), QDir::homePath());
  EXPECT_NE(FileDialogFolder(), QDir::currentPath());

  QDir::setCurrent(oldWorking);
  qputenv("HOME", oldHome);
}

} // namespace
} // namespace qm
