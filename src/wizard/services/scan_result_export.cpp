#include "wizard/services/scan_result_export.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QStringList>

#include <cstdio>

#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "app/zorv_app.h"
#include "filemodel/state_file_bundle.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "wizard/services/wizard_services.h"
#include "wizard/services/wizard_state_files.h"

namespace qm {

QString FileDialogFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    out << (parts[i].contains(QLatin1Char('('))
                ? parts[i]
                : parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
  }
  return out.join(QStringLiteral(";;"));
}

std::string DefaultScanResultName(const QDateTime& now, int searchKind) {
  const QDate date = now.date();
  const QTime time = now.time();
  char name[64];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d_%02d_ZORV%s.rsf", date.year(), date.month(),
                date.day(), time.hour(), time.minute(), searchKind == 1 ? "_CR" : "_PR");
  return name;
}

std::string WithScanResultExtension(std::string path) {
  static constexpr std::string_view kExtension = ".rsf";
  if (path.size() <= kExtension.size() ||
      path.compare(path.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
    path += kExtension;
  return path;
}

bool ExportScanResult(QWidget* owner, int searchKind, const WizardShared& shared) {
  const WizardShared* context = &shared;
  static constexpr int kEvents[] = {8208, 8229, 8257};
  const int mode = context->settings.nRecoveryMode;
  if (mode >= 0 && mode <= 2) ReportUsageEvent(kEvents[mode]);
  if (!context->services.chooseSaveFile) return false;
  const QString chosen = context->services.chooseSaveFile(
      owner, QCoreApplication::translate("qm::CFileSelectPage", "Export Scan Result"),
      QString::fromStdString(DefaultScanResultName(QDateTime::currentDateTime(), searchKind)),
      FileDialogFilter(LoadAppString(401)));
  if (chosen.isEmpty()) return false;
  const std::string path = WithScanResultExtension(chosen.toLocal8Bit().toStdString());
  int saved = 0;
  try {
    CStateFile bundle(1, {}, StateFolder());
    saved = bundle.Save(path.c_str());
  } catch (...) {
    saved = 0;
  }
  if (saved == 0) LogError("Exporting the scan result to %s failed", path.c_str());
  context->prompter.Inform(owner, LoadAppString(saved != 0 ? 61237 : 61238), ProgramTitle(),
                           PromptIcon::Information);
  return saved != 0;
}

} // namespace qm
