// The system code of a failed step, 0 for success: lets a test compare an
// outcome with the error the system gives.
#pragma once

#include "Status.h"

inline int CodeOf(const travik::Status& status) {
    return status.ok() ? 0 : status.code();
}
