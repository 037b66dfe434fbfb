// What a device page of the wizard hands on as its choice: a disk record
// (kind 0), a volume of the device list (kind 1) or a found partition
// (kind 2), with the device it is read through.
#pragma once

#include <cstdint>

#include "filemodel/scan_state_store.h"
#include "storage/searched_partition_info.h"

class StateVariant {
public:
  static constexpr std::uint32_t kDisk = 0;
  static constexpr std::uint32_t kVolume = 1;
  static constexpr std::uint32_t kFoundPartition = 2;

  StateVariant() = default;
  explicit StateVariant(CScanStateRecord* disk) : kind_(kDisk), pointer_(disk) {}
  explicit StateVariant(DeviceListItem* volume) : kind_(kVolume), pointer_(volume) {}
  // The partition's device is the window it is read through.
  StateVariant(CSearchedPartitionInfo* partition, IStorageDevice* device)
      : kind_(kFoundPartition), pointer_(partition), partitionDevice_(device) {}

  std::uint32_t GetKind() const { return kind_; }
  CScanStateRecord* GetKind0() const { return kind_ == kDisk ? static_cast<CScanStateRecord*>(pointer_) : nullptr; }
  DeviceListItem* GetKind1() const { return kind_ == kVolume ? static_cast<DeviceListItem*>(pointer_) : nullptr; }
  CSearchedPartitionInfo* GetKind2() const {
    return kind_ == kFoundPartition ? static_cast<CSearchedPartitionInfo*>(pointer_) : nullptr;
  }
  // The device of the record it points to; null when it points to nothing.
  IStorageDevice* GetValue() const {
    if (pointer_ == nullptr) return nullptr;
    switch (kind_) {
    case kDisk: return GetKind0()->device;
    case kVolume: return GetKind1()->device.get();
    case kFoundPartition: return partitionDevice_;
    default: return nullptr;
    }
  }

private:
  std::uint32_t kind_ = kDisk;
  void* pointer_ = nullptr;
  IStorageDevice* partitionDevice_ = nullptr;
};
