#include "classlib/date_time.h"

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

String DateTimeToStr(const SYSTEMTIME& time)
{
    char date[128] = {};
    char clock[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date))
        date[0] = 0;
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock))
        clock[0] = 0;
    return String(date) + " " + clock;
}
