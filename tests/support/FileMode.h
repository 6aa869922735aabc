#pragma once

#include <QString>

namespace strovik::test {

// The permission bits of path as other users meet them (07777 when it cannot be read). QFile
// reports the owner's rights twice, as owner and as user, which hides what a file really allows.
unsigned FileModeBits(const QString& path);

}  // namespace strovik::test
