// What the wizard's steps and pages share for one run of the program: the
// settings record, the message boxes, and the seams to the world outside
// (browser, help, file dialogs, devices, images). The context makes them
// and hands them to every step and page it makes.
#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct AppSettings;
class DeviceSource;
class IStorageDevice;
class QWidget;

namespace qm {

class Prompter;

// What the wizard asks outside itself (tests put recorders in place).
struct WizardServices {
  // Opens a web address; false when nothing could show it.
  std::function<bool(const QString& url)> openUrl;
  // Shows a help topic.
  std::function<void(int topic)> openHelp;
  // Starts the restarter after a language change; false when it could not start.
  std::function<bool()> startRestarter;
  // Where the file-type catalogue is read from.
  std::string fileFilterPath;
  // Where the device pages find the machine's disks and volumes.
  std::shared_ptr<DeviceSource> deviceSource;
  // Asks for an existing file; empty when cancelled.
  std::function<QString(QWidget* owner, const QString& caption, const QString& filter)> chooseOpenFile;
  // Asks for a file to write, new or existing (asking before an existing
  // one is replaced); empty when cancelled.
  std::function<QString(QWidget* owner, const QString& caption, const QString& proposed,
                        const QString& filter)>
      chooseSaveFile;
  // Writes an image of the device and returns its path; empty when none was written.
  std::function<std::string(QWidget* owner, IStorageDevice* source, const std::string& description,
                            std::uint32_t deviceType)>
      createDiskImage;
  // Lets the user pick (and repair) an image's index file: its path, the
  // description of its source and the source's device type; false when
  // none was chosen. Without it, Open Disk Image asks for any image file.
  std::function<bool(QWidget* owner, std::string& path, std::string& description, std::uint32_t& deviceType)>
      openDiskImage;
  // How the device pages open an image file as a device (null when it
  // does not open); plain image files when not set.
  std::function<std::unique_ptr<IStorageDevice>(const std::string& path)> openImageDevice;
  // What an image file tells of its source: the description and device
  // type a compressed image keeps; false (nothing told) for a raw image.
  std::function<bool(const std::string& path, std::string& description, std::uint32_t& deviceType)>
      describeImage;
};

// The production services: the desktop's browser, the help window, the
// restarter beside the program or on PATH.
WizardServices DefaultWizardServices();

// The shared services of one wizard run, by reference: the context owns them.
struct WizardShared {
  Prompter& prompter;
  AppSettings& settings;
  WizardServices& services;
};

} // namespace qm
