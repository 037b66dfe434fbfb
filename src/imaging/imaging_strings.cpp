#include "imaging/imaging_strings.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <iterator>

namespace qm {
namespace {

struct Entry {
  unsigned id;
  const char* text;
};

// Sorted by id.
constexpr Entry kStrings[] = {
    {166, QT_TRANSLATE_NOOP("ImagingStrings", "This is an INVALID file, please check it!")},
    {167, QT_TRANSLATE_NOOP("ImagingStrings", "This is an INVALID file, please check it!")},
    {168, QT_TRANSLATE_NOOP("ImagingStrings", "Warning! Failed to set the timer!")},
    {169, QT_TRANSLATE_NOOP("ImagingStrings", "Open Disk Image Wizard")},
    {170, QT_TRANSLATE_NOOP("ImagingStrings", "Open Disk Image File(.qmi)")},
    {171, QT_TRANSLATE_NOOP("ImagingStrings", "Open Disk Image File(.qmi)")},
    {172, QT_TRANSLATE_NOOP("ImagingStrings", "Correct error in Disk Image Configuration")},
    {173, QT_TRANSLATE_NOOP("ImagingStrings", "Open Disk Image Wizard")},
    {174, QT_TRANSLATE_NOOP("ImagingStrings", "Have not found qmp file, please check the path!")},
    {175, QT_TRANSLATE_NOOP("ImagingStrings", "Open Disk Image File(.qmi)")},
    {176,
     QT_TRANSLATE_NOOP("ImagingStrings", "Can't open or it is not an Image File, please check the file!")},
    {177, QT_TRANSLATE_NOOP("ImagingStrings", "Disk Image Wizard")},
    {178, QT_TRANSLATE_NOOP("ImagingStrings", "Cancel Wizard ?")},
    {179, QT_TRANSLATE_NOOP("ImagingStrings", "File error! please check the it!")},
    {180, QT_TRANSLATE_NOOP("ImagingStrings", "The length is enough!")},
    {379, QT_TRANSLATE_NOOP("ImagingStrings", "Fastest")},
    {380, QT_TRANSLATE_NOOP("ImagingStrings", "Normal")},
    {381, QT_TRANSLATE_NOOP("ImagingStrings", "Maximum")},
    {384, QT_TRANSLATE_NOOP("ImagingStrings", "Zorv%s_DiskImageFile.qmi")},
    {399, QT_TRANSLATE_NOOP("ImagingStrings", "Quenmark ImageFile(*.qmi)")},
    {421, QT_TRANSLATE_NOOP("ImagingStrings", "   Sectors")},
    {422, QT_TRANSLATE_NOOP("ImagingStrings", "Normal")},
    {423, QT_TRANSLATE_NOOP("ImagingStrings", "Maximum")},
    {424, QT_TRANSLATE_NOOP("ImagingStrings", "None")},
    {425, QT_TRANSLATE_NOOP("ImagingStrings", "slice")},
    {426, QT_TRANSLATE_NOOP("ImagingStrings", "Location")},
    {427, QT_TRANSLATE_NOOP("ImagingStrings", "VALID")},
    {428, QT_TRANSLATE_NOOP("ImagingStrings", "INVALID")},
    {61204, QT_TRANSLATE_NOOP("ImagingStrings",
                              "The free space on the disk is not enough to save the Disk Image data.\nClick "
                              "YES to select another location for Disk Image files or NO to abort wizard.")},
    {61205,
     QT_TRANSLATE_NOOP("ImagingStrings", " Free space is not enough, the progress must be cancelled.")},
    {61206, QT_TRANSLATE_NOOP("ImagingStrings", "Calculating...")},
    {61207, QT_TRANSLATE_NOOP("ImagingStrings", "Warning! Failed to set the timer!")},
    {61208, QT_TRANSLATE_NOOP("ImagingStrings", "The length is enough!")},
    {61209, QT_TRANSLATE_NOOP("ImagingStrings", "Disk Image Wizard")},
    {61210, QT_TRANSLATE_NOOP("ImagingStrings", "Disk Imaging Process")},
    {61211, QT_TRANSLATE_NOOP("ImagingStrings", "Source Disk Region")},
    {61212, QT_TRANSLATE_NOOP("ImagingStrings", "Disk Image Summary")},
    {61213, QT_TRANSLATE_NOOP("ImagingStrings", "Disk Image Destination File")},
    {61214,
     QT_TRANSLATE_NOOP("ImagingStrings", "Please check the path you are trying to save to and try again.")},
    {61215, QT_TRANSLATE_NOOP("ImagingStrings", "Cancel Disk Image?")},
    {61216, QT_TRANSLATE_NOOP("ImagingStrings", "Fail!")},
};

} // namespace

QString ImagingString(unsigned id) {
  const auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const Entry& e, unsigned key) { return e.id < key; });
  if (found == std::end(kStrings) || found->id != id) {
    return {};
  }
  return QCoreApplication::translate("ImagingStrings", found->text);
}

} // namespace qm
