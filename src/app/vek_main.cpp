// The windowed program: the crash handler first, then the engines'
// registrations, then the shell's start-up, message loop and shut-down.
#include <QtCore/QEventLoop>

#include "app/crash_handler.h"
#include "app/prompter.h"
#include "app/vek_application.h"
#include "app/zorv_app.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/message_pump.h"
#include "raw/carved_files_hook.h"
#include "raw/scan_result_factories.h"
#include "storage/app_settings.h"
#include "storage/mem_alloc.h"
#include "wizard/main_frame.h"
#include "wizard/wizard_context.h"

namespace {

void RegisterEngines()
{
    qm::ext2::InitCollector();
    qm::RegisterNtfsVolumeAnalyzer();
    qm::RegisterFatVolumeAnalyzer();
    qm::RegisterExt2VolumeAnalyzer();
    qm::RegisterBootSectorClassifiers();
    qm::RegisterCarvedFilesTree();     // carved files under the engines' trees
    qm::RegisterScanResultFactories(); // saved scans read back by type code and kind
}

}  // namespace

int main(int argc, char** argv)
{
    qm::InstallExceptionFilter(qm::DefaultCrashHandlerConfig());
    InstallOutOfMemoryHandler();
    RegisterEngines();

    qm::VekApplication application(argc, argv);
    // Threads that wait for a worker keep the windows alive through this.
    qm::SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });

    // The wizard's controllers and sheet live until the program ends.
    qm::WizardContext wizard(qm::DefaultPrompter(), *GetAppSettings());
    qm::ZorvAppOptions options;
    options.createMainWindow = [&wizard] { return std::make_unique<qm::CMainFrame>(wizard); };
    qm::CZorvApp app(std::move(options));
    int code = 0;
    if (app.InitInstance(QCoreApplication::arguments())) {
        code = app.Run();
    }
    app.ExitInstance();
    qm::SetMessagePump({});
    return code;
}
