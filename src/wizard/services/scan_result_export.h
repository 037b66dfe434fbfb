// Exporting a complete or partition search as one ".rsf" file: the state
// files of the search bundled so that the device pages of this or another
// machine can import it and resume without scanning again.
#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <string>

class QWidget;

namespace qm {

struct WizardShared;

// "Name(*.x)|*.x||" (the string table's filter form) as a file dialog's filter.
QString FileDialogFilter(const QString& filter);

// "2026-12-11_03_52_ZORV_CR.rsf": the time of the export and "_CR" for a
// complete search (search kind 1), "_PR" otherwise.
std::string DefaultScanResultName(const QDateTime& now, int searchKind);

// The chosen path with ".rsf" appended unless it already ends in it.
std::string WithScanResultExtension(std::string path);

// Asks where to write (a new name or, after a question, an existing file),
// bundles the search's state files there and tells the user how it went.
// True when the file was written.
bool ExportScanResult(QWidget* owner, int searchKind, const WizardShared& shared);

} // namespace qm
