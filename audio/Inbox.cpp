// The inbox's wake-up.
#include "audio/Inbox.h"

namespace quilbo {

void InboxWaker::wake() {
    QMetaObject::invokeMethod(this, "woken", Qt::QueuedConnection);
}

}  // namespace quilbo

#include "moc_Inbox.cpp"
