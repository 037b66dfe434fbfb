// The notice for a second start of the product while it runs: message 434
// with the program title as caption and the information icon.
#pragma once

#include <QtWidgets/QMessageBox>

#include <memory>

namespace qm {

std::unique_ptr<QMessageBox> MakeAlreadyRunningBox();

} // namespace qm
