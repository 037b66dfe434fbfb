// The texts of the imaging wizards by string id, in English, translated
// through the loaded Qt translation (context "ImagingStrings").
#pragma once

#include <QtCore/QString>

namespace qm {

// The text of an imaging string id; empty for an unknown id.
QString ImagingString(unsigned id);

} // namespace qm
