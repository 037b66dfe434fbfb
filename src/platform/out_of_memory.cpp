#include "platform/out_of_memory.h"

namespace qm {

void RaiseOutOfMemory() { throw OutOfMemoryException(); }

} // namespace qm
