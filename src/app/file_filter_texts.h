// The texts of the file-type catalogue (FileFilter.xml) in the current
// language. The catalogue is data, so its English texts are listed once in
// the code for the translation files.
#pragma once

#include <QtCore/QString>

#include <span>
#include <string>

namespace qm {

// The English texts that FileFilter.xml may show.
std::span<const char* const> FileFilterTexts();

// A catalogue text in the current language; a text without a translation
// (a catalogue edited by hand) comes back as it is.
QString TranslateFileFilterText(const std::string& text);

} // namespace qm
