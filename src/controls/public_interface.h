// The mix-in base that the program's dialogs and property pages carry
// beside their window base. It holds nothing and does nothing, so it
// costs neither space nor a virtual table.
#pragma once

namespace qm {

class CPublicInterface {
public:
  CPublicInterface() = default;
  ~CPublicInterface() = default;
};

} // namespace qm
