// Every text that the translation tools find in the sources is in both
// translation files. A text added to the code without bringing the files up
// to date (scripts/update-translations.sh) would show in English in every
// language; this test names it.
#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtCore/QXmlStreamReader>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "support_ui/ts_text.h"

namespace qm {
namespace {

using Key = std::pair<QString, QString>; // context, English text

std::set<Key> ReadKeys(const QString& path) {
  std::set<Key> keys;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  QXmlStreamReader xml(&file);
  QString context;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) {
      continue;
    }
    if (xml.name() == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (xml.name() == QLatin1String("source")) {
      keys.insert({context, test::ReadTsText(xml)});
    }
  }
  EXPECT_FALSE(xml.hasError()) << path.toStdString();
  return keys;
}

TEST(TranslationSources, EveryExtractedTextIsInBothTranslationFiles) {
#ifndef QM_LUPDATE
  GTEST_SKIP() << "lupdate was not found at configure time";
#else
  const QString source = QString::fromLocal8Bit(std::getenv("QM_SOURCE_DIR"));
  QTemporaryDir scratch;
  ASSERT_TRUE(scratch.isValid());
  const QString extracted = scratch.filePath(QStringLiteral("extracted.ts"));
  QProcess lupdate;
  lupdate.setWorkingDirectory(source);
  lupdate.start(QStringLiteral(QM_LUPDATE),
                {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                 QStringLiteral("none"), QStringLiteral("src"), QStringLiteral("-ts"), extracted});
  ASSERT_TRUE(lupdate.waitForFinished(60000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
  const std::set<Key> wanted = ReadKeys(extracted);
  ASSERT_GT(wanted.size(), 500u);
  for (const char* language : {"Deutsch", "Japanese"}) {
    const std::set<Key> present = ReadKeys(
        QDir(source).filePath(QStringLiteral("src/app/translations/%1.ts").arg(QLatin1String(language))));
    for (const Key& key : wanted) {
      EXPECT_TRUE(present.count(key))
          << language << ".ts lacks " << key.first.toStdString() << ": \"" << key.second.toStdString()
          << "\" (run scripts/update-translations.sh and translate it)";
    }
  }
#endif
}

// A file-local helper such as Tr(const char* text) that hands its argument
// to QCoreApplication::translate hides the text from the translation tool:
// every literal given to it must be marked with QT_TRANSLATE_NOOP, or the
// text shows in English in every language.
TEST(TranslationSources, TextsGivenToATranslateHelperAreMarked) {
  const QString source = QString::fromLocal8Bit(std::getenv("QM_SOURCE_DIR"));
  const QRegularExpression helper(
      QStringLiteral(R"(QString\s+(\w+)\s*\(\s*const\s+char\s*\*\s*\w+\s*\)\s*\{\s*return\s+)"
                     R"(QCoreApplication::translate\(\s*"[^"]+"\s*,\s*\w+\s*\))"));
  int helpers = 0;
  QDirIterator it(QDir(source).filePath(QStringLiteral("src")), {QStringLiteral("*.cpp")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QString text = QString::fromUtf8(file.readAll());
    for (auto found = helper.globalMatch(text); found.hasNext();) {
      ++helpers;
      const QString name = found.next().captured(1);
      const QRegularExpression bareCall(QStringLiteral(R"(\b%1\(\s*")").arg(name));
      for (auto call = bareCall.globalMatch(text); call.hasNext();) {
        const QRegularExpressionMatch at = call.next();
        const int line = static_cast<int>(text.left(at.capturedStart()).count(QLatin1Char('\n'))) + 1;
        ADD_FAILURE() << path.toStdString() << ":" << line << ": " << name.toStdString()
                      << "(\"...\") is never extracted; wrap the text in QT_TRANSLATE_NOOP";
      }
    }
  }
  EXPECT_GT(helpers, 0) << "the helper pattern no longer matches the sources";
}

} // namespace
} // namespace qm
