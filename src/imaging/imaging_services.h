// The imaging wizards as the device pages reach them: installed into the
// wizard's services at start-up, so that "Disk Image" writes an image of
// the chosen device and "Open Disk Image" adds an image to the list.
#pragma once

#include "imaging/imaging_seams.h"

namespace qm {

struct WizardServices;

// createDiskImage, openDiskImage and openImageDevice of the services, with
// the given seams for the wizards' boxes and choosers.
void InstallImagingServices(WizardServices& services, ImagingSeams seams = DefaultImagingSeams());

// Makes saved scans that ran on an image reopen it through the image
// device (compressed, split images and plain image files alike).
void InstallImageReopening();

} // namespace qm
