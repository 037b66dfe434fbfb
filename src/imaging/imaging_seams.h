// What the imaging wizards ask outside themselves: message boxes, file
// choosers and the free-space measure. Tests put scripted ones in place.
#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace qm {

class Prompter;

struct ImagingSeams {
  Prompter* prompter = nullptr;
  // A file to write (overwrite prompt on); empty when cancelled.
  std::function<QString(QWidget* owner, const QString& filter, const QString& proposed)> chooseSaveFile;
  // An existing file; empty when cancelled.
  std::function<QString(QWidget* owner, const QString& filter, const QString& proposed)> chooseOpenFile;
  // Free space of the disk of the path's folder, in MiB.
  std::function<std::uint64_t(const std::string& path)> freeSpaceMB;
};

// The production seams: QFileDialog, the program's prompter, statvfs.
ImagingSeams DefaultImagingSeams();

} // namespace qm
