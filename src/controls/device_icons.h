// The pictures of the device lists, drawn here so they scale and need no
// image files: 0 device, 1 disk, 2 volume, 3 partition, 4 disk image,
// 5 previous recovery, 6 USB disk.
#pragma once

#include <QtGui/QPixmap>

namespace qm {

inline constexpr int kDeviceIconKinds = 7;
QPixmap DeviceIconPixmap(unsigned kind, int size = 32);

} // namespace qm
