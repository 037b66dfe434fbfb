// Reading Qt Linguist translation files in tests.
#pragma once

#include <QtCore/QString>

class QXmlStreamReader;

namespace qm::test {

// The text of the element the reader stands on (<source> or
// <translation>). Linguist files write control characters as
// <byte value="xd"/> elements inside the text.
QString ReadTsText(QXmlStreamReader& xml);

} // namespace qm::test
