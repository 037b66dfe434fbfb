// The windowed program: the crash handler first, then the engines'
// registrations, then the shell's start-up, message loop and shut-down.
#include <QtCore/QEventLoop>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/crash_handler.h"
#include "app/prompter.h"
#include "app/vek_application.h"
#include "app/zorv_app.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_volume_analyze.h"
#include "imaging/imaging_services.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/disk_table.h"
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
    qm::InstallImageReopening();       // saved scans of disk images reopen them
}

// Image files named in QUENMARK_DISK_IMAGES (separated by ':') stand as
// disks, for demonstrations on a machine without spare disks. Not taken
// from the environment of a program running with another user's rights.
void AddDiskImagesFromEnvironment()
{
    const char* list = std::getenv("QUENMARK_DISK_IMAGES");
    if (list == nullptr || getuid() != geteuid()) {
        return;
    }
    std::string all(list);
    std::size_t start = 0;
    while (start <= all.size()) {
        const std::size_t end = std::min(all.find(':', start), all.size());
        if (end > start) {
            qm::AddDiskOverride(all.substr(start, end - start));
        }
        start = end + 1;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qm::InstallExceptionFilter(qm::DefaultCrashHandlerConfig());
    InstallOutOfMemoryHandler();
    RegisterEngines();
    AddDiskImagesFromEnvironment();

    qm::VekApplication application(argc, argv);
    // Threads that wait for a worker keep the windows alive through this.
    qm::SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });

    // The wizard's controllers and sheet live until the program ends.
    qm::WizardServices services = qm::DefaultWizardServices();
    qm::InstallImagingServices(services);
    qm::WizardContext wizard(qm::DefaultPrompter(), *GetAppSettings(), std::move(services));
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
