// Start-up registration of the engines' saved-result objects: the file
// properties by type code and the found-partition records by kind, which
// the scan-result sections make when they read a saved scan back.
#pragma once

namespace qm {

void RegisterScanResultFactories();

} // namespace qm
