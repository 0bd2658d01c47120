// Dates and times as the user reads them: the system's short date and long
// time formats of the user's locale.
#pragma once

#include <windows.h>

#include "classlib/sysutils.h"

SYSTEMTIME Now();  // local time
// "12/10/2026 4:05:09 PM" in the user's formats.
String DateTimeToStr(const SYSTEMTIME& time);
