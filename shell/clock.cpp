#include "shell/clock.h"

#include <cstdio>
#include <ctime>

namespace tarnovel {

LocalDateTime SystemNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    LocalDateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.day, t.month, t.year);
    t.shortDate = text;
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    t.longTime = text;
    return t;
}

}  // namespace tarnovel
