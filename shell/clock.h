#pragma once
#include "controls/platform.h"

namespace tarnovel {

// The local date and time now, with the short date as day-month-year
// ("05-01-2013") and the long time as hours:minutes:seconds ("09:03:07").
LocalDateTime SystemNow();

}  // namespace tarnovel
