#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <gtest/gtest.h>

#include "app/log_report.h"
#include "controls/hyper_link.h"
#include "dialogs/about_dlg.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

TEST(AboutDialog, NameVersionLinkAndOk) {
  QStringList opened;
  CAboutFreeDlg about(nullptr, [&opened](const QString& url) {
    opened << url;
    return true;
  });
  EXPECT_EQ(about.windowTitle(), QStringLiteral("Quenmark"));
  EXPECT_EQ(about.NameAndVersion(), QStringLiteral("Quenmark ") + QString::fromLatin1(GetVersionText()));
  bool titleShown = false;
  for (QLabel* label : about.findChildren<QLabel*>()) {
    titleShown = titleShown || label->text() == about.NameAndVersion();
  }
  EXPECT_TRUE(titleShown);
  EXPECT_FALSE(test::SaveToGallery(about, QStringLiteral("dialogs_about")).isEmpty());

  QTest::mouseClick(&about.Link(), Qt::LeftButton);
  EXPECT_EQ(opened, QStringList{QString::fromLatin1(CAboutFreeDlg::kProductUrl)});

  about.hide(); // shown for the picture; exec shows it again, modal
  test::WhenModalOpens([](QWidget& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("OK")) {
        button->click();
      }
    }
  });
  EXPECT_EQ(about.exec(), QDialog::Accepted);
}

} // namespace
} // namespace qm
