// The restarter: waits until the product's launcher has ended (its lifetime
// lock is free), then starts the launcher again.
#pragma once

namespace qm {

// 0 when the launcher was started; 1 when every try failed for about a
// minute.
int RewakerMain();

} // namespace qm
