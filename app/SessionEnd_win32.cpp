// Windows ends a session through the window system (the session manager's
// commit request), not through signals: nothing to watch here.
#include "SessionEnd.h"

namespace travik {

SessionEndWatcher::SessionEndWatcher(QObject* parent) : QObject(parent) {}
SessionEndWatcher::~SessionEndWatcher() = default;
void SessionEndWatcher::drain() {}

}  // namespace travik
