#include "reporter/reporter_main.h"

#include "launcher/launcher_language.h"
#include "platform/ipc_names.h"
#include "reporter/already_running_box.h"
#include "reporter/crash_report_files.h"
#include "reporter/zorv_report_dlg.h"

#include <QtCore/QLibraryInfo>
#include <QtCore/QTranslator>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace qm {
namespace {

bool HaveDisplay() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The product's language for this run: its own texts and Qt's (the OK of
// the message box), where the system has those.
class InstalledLanguage {
public:
  InstalledLanguage() {
    const QString name = launcher::ReadLanguageName();
    own_ = launcher::LoadLanguageDll(name, launcher::TranslationFolders());
    if (own_ == nullptr) return;
    QCoreApplication::installTranslator(own_.get());
    auto qt = std::make_unique<QTranslator>();
    const QString qtName =
        name == QLatin1String("Japanese") ? QStringLiteral("qtbase_ja") : QStringLiteral("qtbase_de");
    if (qt->load(qtName, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(qt.get());
      qt_ = std::move(qt);
    }
  }

private:
  std::unique_ptr<QTranslator> own_;
  std::unique_ptr<QTranslator> qt_;
};

void Print(FILE* stream, const QString& text) { std::fprintf(stream, "%s\n", text.toUtf8().constData()); }

QString WhatTheWindowSays(bool alreadyRunning) {
  return alreadyRunning ? launcher::LauncherText(launcher::kAlreadyRunningString)
                        : CZorvReportDlg::Summary(LoadCrashFiles(CrashFileFolders()));
}

} // namespace

int ZorvReportMain(int argc, char** argv) {
  const bool alreadyRunning = argc > 1 && std::strcmp(argv[1], ipc::kReporterAlreadyRunningArgument) == 0;
  if (!HaveDisplay()) {
    // Started from a terminal without a desktop: the terminal gets the text.
    QCoreApplication application(argc, argv);
    InstalledLanguage language;
    Print(stderr, WhatTheWindowSays(alreadyRunning));
    return 1;
  }
  QApplication application(argc, argv);
  InstalledLanguage language;
  if (qgetenv("QUENMARK_NONINTERACTIVE") == "1") {
    Print(stdout, WhatTheWindowSays(alreadyRunning));
    return 0;
  }
  if (alreadyRunning) {
    MakeAlreadyRunningBox()->exec();
    return 0;
  }
  CZorvReportDlg dialog(LoadCrashFiles(CrashFileFolders()));
  dialog.exec();
  return 0;
}

} // namespace qm
