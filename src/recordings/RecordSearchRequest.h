#pragma once

#include "devicelibs/wire/SearchRequest.h"
#include "devices/DeviceNode.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace strovik {

// What the record playback page asks for: one day, a time range within it, a channel and a type.
struct SearchInputs {
    QDate date;
    QTime from;
    QTime to;
    int channelIndex = 0;  // 0-based, as the channel box counts
    int typeIndex = 0;     // RecordType: 0 all, 1 manual, 2 auto, 3 alarm
};

// The request for inputs: the times of day in whole seconds (from and to swapped when from is
// later), on the chosen date, as FILETIMEs of that local time without any time-zone shift;
// channel = index + 1; for new firmware the type + 100 and userName, else the plain type.
SearchRequest MakeSearchRequest(const SearchInputs& inputs, const DeviceVersion& version,
                                const QString& userName);

}  // namespace strovik
