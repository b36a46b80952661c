#include "StandardStreams.h"

namespace travik {

// A Windows program's console handles are not descriptors a port can take over.
void OpenMissingStandardStreams() {}

}  // namespace travik
