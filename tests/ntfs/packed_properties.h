// File properties for tests that keep packed extents the way the NTFS
// properties do, so that readers get a real run list from GetDataRunList.
#pragma once

#include <memory>

#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/packed_data_run_list.h"

namespace qm::test {

class PackedProperties : public CMyFileProperties {
public:
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    return packed ? packed->Unpack() : nullptr;
  }
  std::unique_ptr<CPackedDataRunList> packed;
};

inline CFileNode* AddNode(CFileNode* parent, const char* name, std::uint64_t size, std::uint16_t attributes,
                          std::unique_ptr<CPackedDataRunList> packed = nullptr) {
  auto properties = std::make_unique<PackedProperties>();
  CMyFileProperties::Record record;
  record.size = size;
  record.attributes = attributes;
  properties->CopyRecord(record);
  properties->SetName(name);
  properties->packed = std::move(packed);
  CFileNode* node = CreateFileNode();
  node->SetProperties(std::move(properties));
  return parent->AddChild(node);
}

} // namespace qm::test
