#include "scanner/hijack_places.h"

bool ParseHijackPlace(const String& line, THijackPlace& place)
{
    const String text = Trim(line);
    const size_t comma = text.find(',');
    if (comma == String::npos)
        return false;
    const size_t equals = text.find('=', comma + 1);
    if (equals == String::npos)
        return false;
    place.KeyPath = text.substr(0, comma);
    place.ValueName = text.substr(comma + 1, equals - comma - 1);
    place.Expected = text.substr(equals + 1);
    return true;
}
