#include "support_ui/ts_text.h"

#include <QtCore/QXmlStreamReader>
#include <gtest/gtest.h>

namespace qm::test {

QString ReadTsText(QXmlStreamReader& xml) {
  QString text;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isCharacters()) {
      text += xml.text();
    } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
      const QString value = xml.attributes().value(QLatin1String("value")).toString();
      bool ok = false;
      const uint code = value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(&ok, 16) : value.toUInt(&ok);
      EXPECT_TRUE(ok) << value.toStdString();
      text += QChar(code);
    } else if (xml.isEndElement() && xml.name() != QLatin1String("byte")) {
      break;
    }
  }
  return text;
}

} // namespace qm::test
