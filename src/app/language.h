// The language setting of the program ("Language" in the group "Language"
// of $XDG_CONFIG_HOME/Quenmark/Recovery.ini) and the language id and font
// name that windows take from it. The id has two values: 2 Japanese, 1 any
// other language.
#pragma once

#include <QtCore/QString>

namespace qm {

// The settings file the language is kept in.
QString SettingsFilePath();

// What start-up reads: the stored name; "English" (also written) when the
// setting is missing; "English" with a log line when it cannot be read.
QString ReadLanguageName();

// Forgets the cached language id (tests: each case starts afresh).
void ResetLanguageCacheForTest();

}  // namespace qm

// Writes the language name; 1 on success, 0 on failure (logged).
int WriteLanguageToReg(const char* language);

// Stores the cached language id in *out; on the first call reads the
// setting (2 for "Japanese" exactly, else 1). 0 only on a first call that
// found no setting.
int ReadLanguageSetting(int* out);

// The cached language id (read on first use).
int GetLanguageId();

// "Meiryo UI" for language id 2, else "Arial": the face name that windows
// put first in their font family list.
const char* GetUIFontName();
