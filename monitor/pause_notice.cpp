#include "monitor/pause_notice.h"

outgoingMessage* newPauseNotice(bool paused) {
    return new outgoingMessage{makeNotice(paused ? kPausedNotice : kUnpausedNotice)};
}
