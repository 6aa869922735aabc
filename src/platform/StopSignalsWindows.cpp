#include "platform/StopSignals.h"

namespace strovik {

// Windows ends a GUI program through its session messages, which Qt already turns into
// commitDataRequest and aboutToQuit.
struct StopSignals::Pipe {};

StopSignals::StopSignals(QObject* parent) : QObject(parent) {}
StopSignals::~StopSignals() = default;
bool StopSignals::installed() const {
    return false;
}

}  // namespace strovik
