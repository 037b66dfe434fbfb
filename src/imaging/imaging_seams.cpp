#include "imaging/imaging_seams.h"

#include <QtWidgets/QFileDialog>

#include "app/prompter.h"
#include "imaging/destination_check.h"

namespace qm {

ImagingSeams DefaultImagingSeams() {
  ImagingSeams seams;
  seams.prompter = &DefaultPrompter();
  seams.chooseSaveFile = [](QWidget* owner, const QString& filter, const QString& proposed) {
    return QFileDialog::getSaveFileName(owner, QString(), proposed, filter);
  };
  seams.chooseOpenFile = [](QWidget* owner, const QString& filter, const QString& proposed) {
    return QFileDialog::getOpenFileName(owner, QString(), proposed, filter);
  };
  seams.freeSpaceMB = [](const std::string& path) { return image::FreeSpaceMB(path); };
  return seams;
}

} // namespace qm
