// The program's texts by string id, in English, translated through the
// loaded Qt translation (context "StringTable"). Every window asks for its
// texts by id, so that one table holds them all.
#pragma once

#include <QtCore/QString>

#include <vector>

namespace qm {

// The text of a string id in the current language; empty for an unknown id.
QString LoadAppString(unsigned id);

// The English text of an id, untranslated (tests, log lines); null for an
// unknown id.
const char* AppStringEnglish(unsigned id);

// Every id of the table, in ascending order.
std::vector<unsigned> AppStringIds();

}  // namespace qm
