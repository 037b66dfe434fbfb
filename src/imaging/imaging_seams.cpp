#include "imaging/imaging_seams.h"

#include "app/file_dialog_folder.h"
#include "app/prompter.h"
#include "imaging/destination_check.h"

namespace qm {

ImagingSeams DefaultImagingSeams() {
  ImagingSeams seams;
  seams.prompter = &DefaultPrompter();
  seams.chooseSaveFile = [](QWidget* owner, const QString& filter, const QString& proposed) {
    return ChooseSaveFileInFolder(owner, QString(), proposed, filter);
  };
  seams.chooseOpenFile = [](QWidget* owner, const QString& filter, const QString&) {
    return ChooseOpenFileInFolder(owner, QString(), filter);
  };
  seams.freeSpaceMB = [](const std::string& path) { return image::FreeSpaceMB(path); };
  return seams;
}

} // namespace qm
