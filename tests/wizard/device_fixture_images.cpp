#include "device_fixture_images.h"

#include <fstream>

#include "support/scratch_files.h"

namespace qm::test {
namespace {

std::string NtfsInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, const char* label) {
  const std::string volume = disk + ".ntfs" + std::to_string(start);
  return "truncate -s " + std::to_string(sectors * 512) + " " + volume + " && mkntfs -q -F -f -s 512 -p " +
         std::to_string(start) + " -H 0 -S 0 -L " + label + " " + volume + " && dd if=" + volume +
         " of=" + disk + " bs=512 seek=" + std::to_string(start) + " conv=notrunc,sparse status=none && rm " +
         volume;
}

std::string FatInto(const std::string& disk, std::uint64_t start, std::uint64_t sectors, const char* label) {
  return "mkfs.fat -F 32 -s 1 -n " + std::string(label) + " --offset=" + std::to_string(start) + " " + disk +
         " " + std::to_string(sectors / 2);
}

DeviceFixtureImages Make() {
  const std::string mbr = ScratchPath("dev_mbr.img").string();
  const std::string ntfs = ScratchPath("dev_ntfs.img").string();
  const std::string fat = ScratchPath("dev_fat32.img").string();
  const auto paths = MakeImagesWithTools(
      {
          {"dev_mbr.img", "printf 'label: dos\\nstart=2048,size=73728,type=c\\nstart=75776,size=40960,type=7\\n' "
                          "| sfdisk -q %s && " +
                              FatInto(mbr, 2048, 73728, "MBRFAT") + " && " + NtfsInto(mbr, 75776, 40960, "MBRNTFS")},
          {"dev_ntfs.img", NtfsInto(ntfs, 0, 65536, "LONENTFS")},
          {"dev_fat32.img", FatInto(fat, 0, 73728, "LONEFAT")},
      },
      64ull << 20);
  DeviceFixtureImages images;
  images.mbr = paths[0];
  images.ntfs = paths[1];
  images.fat32 = paths[2];
  if (!images.ntfs.empty()) {
    images.userImage = ScratchPath("dev_user.img");
    std::filesystem::copy_file(images.ntfs, images.userImage, std::filesystem::copy_options::overwrite_existing);
  }
  images.empty = ScratchPath("dev_empty.img");
  std::ofstream(images.empty).close();
  return images;
}

} // namespace

const DeviceFixtureImages& DeviceImages() {
  static const DeviceFixtureImages images = Make();
  return images;
}

} // namespace qm::test
