#pragma once

#include <QString>

namespace strovik {

// Whether text is exactly (case-sensitive) one of the host names of the vendor's own web and name
// servers. A main window whose current address is one of them logs in automatically when shown.
bool IsVendorServerName(const QString& text);

}  // namespace strovik
