// The German and Japanese translation files against the texts of the
// program: every text of the string table and every other marked text has
// a finished translation that keeps the placeholders, accelerators and the
// spaces around it, and the compiled files give those texts by id.
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTranslator>
#include <QtCore/QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "app/file_filter_texts.h"
#include "app/string_table.h"
#include "support_ui/ts_text.h"

namespace qm {
namespace {

struct Message {
  QString translation;
  bool finished = false;
};

// (context, English text) -> translation.
using Catalogue = std::map<std::pair<QString, QString>, Message>;

const char* const kLanguages[] = {"Deutsch", "Japanese"};

std::string SourceDir() { return std::getenv("QM_SOURCE_DIR"); }

Catalogue ReadTs(const char* language) {
  Catalogue catalogue;
  QFile file(QString::fromStdString(SourceDir() + "/src/app/translations/" + language + ".ts"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << language;
  QXmlStreamReader xml(&file);
  QString context;
  QString source;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) {
      continue;
    }
    if (xml.name() == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (xml.name() == QLatin1String("source")) {
      source = test::ReadTsText(xml);
    } else if (xml.name() == QLatin1String("translation")) {
      Message message;
      // Unfinished, vanished and obsolete entries are not used by lrelease.
      message.finished = !xml.attributes().hasAttribute(QLatin1String("type"));
      message.translation = test::ReadTsText(xml);
      catalogue[{context, source}] = message;
    }
  }
  EXPECT_FALSE(xml.hasError()) << language << ": " << xml.errorString().toStdString();
  return catalogue;
}

// The placeholders of a text, sorted: Qt's %1..%99 and printf conversions.
std::multiset<QString> Placeholders(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("%(?:L?\\d{1,2}|[-+ 0#]*\\d*(?:\\.\\d+)?(?:ll|l|h|hh|z|I64)?[sducxXfgpS])"));
  std::multiset<QString> found;
  for (const QRegularExpressionMatch& match : pattern.globalMatch(text)) {
    found.insert(match.captured());
  }
  return found;
}

// Accelerator marks: a single '&' before a character; "&&" is an ampersand.
int Accelerators(const QString& text) {
  int count = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        ++i;
      } else {
        ++count;
      }
    }
  }
  return count;
}

QString Leading(const QString& text) {
  qsizetype n = 0;
  while (n < text.size() && text[n].isSpace()) {
    ++n;
  }
  return text.left(n);
}

QString Trailing(const QString& text) {
  qsizetype n = 0;
  while (n < text.size() && text[text.size() - 1 - n].isSpace()) {
    ++n;
  }
  return text.right(n);
}

// What a translation must keep of its English text; empty when it does.
std::string Mismatch(const QString& english, const Message& message) {
  if (!message.finished || message.translation.isEmpty()) {
    return "not translated";
  }
  if (Placeholders(english) != Placeholders(message.translation)) {
    return "placeholders differ: " + message.translation.toStdString();
  }
  if (Accelerators(english) != Accelerators(message.translation)) {
    return "accelerators differ: " + message.translation.toStdString();
  }
  if (Leading(english) != Leading(message.translation) ||
      Trailing(english) != Trailing(message.translation)) {
    return "spaces around the text differ: '" + message.translation.toStdString() + "'";
  }
  return {};
}

TEST(TranslationFiles, PlaceholderAndAcceleratorRules) {
  const struct {
    const char* english;
    const char* translation;
    bool same;
  } cases[] = {
      {"%1 Help", "%1-Hilfe", true},
      {"Image File, %1", "Image-Datei", false},
      {"%1 of %2", "%2 中 %1", true}, // order may change
      {"%1 of %2", "%1 von %1", false},
      {"Read %d sectors of %s", "%s: %d Sektoren gelesen", true},
      {"Read %lld bytes", "%d Byte gelesen", false},
      {"Save &As", "Speichern &unter", true},
      {"Save &As", "Speichern unter", false},
      {"files && folders", "ファイルとフォルダー", true}, // a plain ampersand may go
      {"100%", "100 %", true},
      {"  Recover  ", "  Wiederherstellen  ", true},
      {"  Recover  ", "Wiederherstellen", false},
      {"Bytes. ", "Byte.", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.english) + " / " + c.translation);
    const Message message{QString::fromUtf8(c.translation), true};
    EXPECT_EQ(Mismatch(QString::fromUtf8(c.english), message).empty(), c.same);
  }
  EXPECT_FALSE(Mismatch(QStringLiteral("Next"), Message{QStringLiteral("Weiter"), false}).empty());
  EXPECT_FALSE(Mismatch(QStringLiteral("Next"), Message{QString(), true}).empty());
}

TEST(TranslationFiles, EveryStringIdHasAFinishedGermanAndJapaneseText) {
  const std::vector<unsigned> ids = AppStringIds();
  ASSERT_FALSE(ids.empty());
  for (const char* language : kLanguages) {
    const Catalogue catalogue = ReadTs(language);
    for (unsigned id : ids) {
      const QString english = QString::fromUtf8(AppStringEnglish(id));
      SCOPED_TRACE(std::string(language) + ", string " + std::to_string(id) + ": " + english.toStdString());
      const auto it = catalogue.find({QStringLiteral("StringTable"), english});
      ASSERT_NE(it, catalogue.end()) << "missing from the translation file";
      EXPECT_EQ(Mismatch(english, it->second), "");
    }
  }
}

TEST(TranslationFiles, EveryMarkedTextIsTranslatedInBothLanguages) {
  const Catalogue german = ReadTs("Deutsch");
  const Catalogue japanese = ReadTs("Japanese");
  ASSERT_GT(german.size(), AppStringIds().size());
  for (const auto& [language, catalogue, other] :
       {std::tuple{"Deutsch", &german, &japanese}, std::tuple{"Japanese", &japanese, &german}}) {
    for (const auto& [key, message] : *catalogue) {
      SCOPED_TRACE(std::string(language) + ", " + key.first.toStdString() + ": " + key.second.toStdString());
      EXPECT_EQ(Mismatch(key.second, message), "");
      EXPECT_TRUE(other->count(key)) << "only in one of the files";
    }
  }
}

TEST(TranslationFiles, FileFilterTextsCoverTheCatalogue) {
  QFile file(QString::fromStdString(SourceDir() + "/src/app/FileFilter.xml"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  std::set<QString> listed;
  for (const char* text : FileFilterTexts()) {
    listed.insert(QString::fromUtf8(text));
  }
  QXmlStreamReader xml(&file);
  int seen = 0;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) {
      continue;
    }
    for (const char* name : {"RootName", "Description", "Label", "ShowComment"}) {
      const QString value = xml.attributes().value(QLatin1String(name)).toString();
      if (!value.isEmpty()) {
        ++seen;
        EXPECT_TRUE(listed.count(value)) << value.toStdString() << " is not listed for translation";
      }
    }
  }
  EXPECT_FALSE(xml.hasError());
  EXPECT_GT(seen, 100);
}

TEST(TranslationFiles, CompiledTranslationsGiveTheTextsById) {
  const std::string folder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
  for (const char* language : kLanguages) {
    SCOPED_TRACE(language);
    const Catalogue catalogue = ReadTs(language);
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString::fromLatin1(language), QString::fromStdString(folder)));
    QCoreApplication::installTranslator(&translator);
    for (unsigned id : AppStringIds()) {
      const QString english = QString::fromUtf8(AppStringEnglish(id));
      EXPECT_EQ(LoadAppString(id), catalogue.at({QStringLiteral("StringTable"), english}).translation)
          << "string " << id;
    }
    EXPECT_EQ(TranslateFileFilterText("Pictures"),
              catalogue.at({QStringLiteral("FileFilter"), QStringLiteral("Pictures")}).translation);
    EXPECT_EQ(TranslateFileFilterText("A text no catalogue has"), QStringLiteral("A text no catalogue has"));
    QCoreApplication::removeTranslator(&translator);
  }
  EXPECT_EQ(LoadAppString(189), QStringLiteral("Recover"));
}

} // namespace
} // namespace qm
