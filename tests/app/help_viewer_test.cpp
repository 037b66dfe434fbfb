#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtTest/QTest>
#include <QtWidgets/QTextBrowser>
#include <gtest/gtest.h>

#include <utility>

#include "app/help_viewer.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

QString ReadPage(const QUrl& url) {
  QFile file(QLatin1Char(':') + url.path());
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(Help, EveryTopicHasAPageWhoseLinksResolve) {
  for (int topic : HelpTopicIds()) {
    SCOPED_TRACE(topic);
    ASSERT_TRUE(HasHelpTopic(topic));
    const QUrl url = HelpTopicUrl(topic, QStringLiteral("English"));
    EXPECT_TRUE(url.path().endsWith(QStringLiteral("/%1.html").arg(topic)));
    const QString html = ReadPage(url);
    EXPECT_TRUE(html.contains(QLatin1String("<h1>")));
    static const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    for (auto match = link.globalMatch(html); match.hasNext();) {
      const QString target = match.next().captured(1);
      EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/en/") + target)) << target.toStdString();
    }
  }
  // The list of topics links every topic.
  const QString index = ReadPage(HelpTopicUrl(-1, QStringLiteral("English")));
  for (int topic : HelpTopicIds()) {
    EXPECT_TRUE(index.contains(QStringLiteral("href=\"%1.html\"").arg(topic))) << topic;
  }
}

TEST(Help, UnknownTopicsShowTheListAndMissingLanguagesFallBackToEnglish) {
  EXPECT_FALSE(HasHelpTopic(9999));
  EXPECT_TRUE(HelpTopicUrl(9999, QStringLiteral("English")).path().endsWith(QLatin1String("/en/index.html")));
  EXPECT_TRUE(HelpTopicUrl(15, QStringLiteral("Klingon")).path().endsWith(QLatin1String("/en/15.html")));
  EXPECT_TRUE(HelpTopicUrl(9999, QStringLiteral("Klingon")).path().endsWith(QLatin1String("/en/index.html")));
  // An unknown topic shows the list in the language of the program.
  EXPECT_TRUE(HelpTopicUrl(9999, QStringLiteral("Deutsch")).path().endsWith(QLatin1String("/de/index.html")));
  EXPECT_TRUE(
      HelpTopicUrl(9999, QStringLiteral("Japanese")).path().endsWith(QLatin1String("/ja/index.html")));
}

// The German and Japanese pages: a topic translated opens in that language
// and links only to pages of that language; one not translated yet opens in
// English. The translated pages keep the links of the English ones.
TEST(Help, TranslatedPagesOpenInTheirLanguageAndKeepTheLinks) {
  static const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
  const auto links = [](const QString& html) {
    QStringList found;
    for (auto match = link.globalMatch(html); match.hasNext();) {
      found << match.next().captured(1);
    }
    return found;
  };
  for (const auto& [language, folder] : {std::pair{"Deutsch", "de"}, std::pair{"Japanese", "ja"}}) {
    SCOPED_TRACE(language);
    const QString index = ReadPage(HelpTopicUrl(-1, QString::fromLatin1(language)));
    ASSERT_TRUE(index.contains(QLatin1String("<h1>")));
    int translated = 0;
    for (int topic : HelpTopicIds()) {
      SCOPED_TRACE(topic);
      const QString own = QStringLiteral(":/help/%1/%2.html").arg(QLatin1String(folder)).arg(topic);
      const QUrl url = HelpTopicUrl(topic, QString::fromLatin1(language));
      if (!QFile::exists(own)) {
        EXPECT_TRUE(url.path().endsWith(QStringLiteral("/en/%1.html").arg(topic)));
        continue;
      }
      ++translated;
      EXPECT_TRUE(url.path().endsWith(QStringLiteral("/%1/%2.html").arg(QLatin1String(folder)).arg(topic)));
      const QString html = ReadPage(url);
      EXPECT_TRUE(html.contains(QLatin1String("<h1>")));
      EXPECT_TRUE(html.contains(QLatin1String("<meta charset=\"utf-8\">")));
      EXPECT_EQ(links(html), links(ReadPage(HelpTopicUrl(topic, QStringLiteral("English")))));
      for (const QString& target : links(html)) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/%1/").arg(QLatin1String(folder)) + target))
            << target.toStdString();
      }
      EXPECT_TRUE(index.contains(QStringLiteral("href=\"%1.html\"").arg(topic)));
    }
    EXPECT_GE(translated, 6); // the list and the most used topics at least
  }
}

TEST(Help, OpenHelpTopicGoesToTheViewerAndTheWindowShowsThePage) {
  std::vector<int> asked;
  SetHelpViewer([&asked](QWidget*, int topic) { asked.push_back(topic); });
  EXPECT_EQ(OpenHelpTopic(nullptr, 23), 0);
  EXPECT_EQ(asked, std::vector<int>{23});

  SetHelpViewer({}); // back to the window
  EXPECT_EQ(OpenHelpTopic(nullptr, 16), 0);
  QWidget* window = OpenHelpWindow();
  ASSERT_NE(window, nullptr);
  auto* browser = window->findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->source().path().endsWith(QLatin1String("/16.html")));
  EXPECT_TRUE(browser->toPlainText().contains(QLatin1String("choosing the volume")));
  EXPECT_FALSE(test::SaveToGallery(*window, QStringLiteral("app_help_topic_16")).isEmpty());
  EXPECT_EQ(OpenHelpTopic(nullptr, 15), 0);
  EXPECT_EQ(OpenHelpWindow(), window); // one window, reused
  window->close();
  QTest::qWait(1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(OpenHelpWindow(), nullptr);
}

} // namespace
} // namespace qm
