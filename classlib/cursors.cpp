#include "classlib/cursors.h"

#include <map>

namespace {

std::map<TCursor, HCURSOR>& Registered()
{
    static std::map<TCursor, HCURSOR> cursors;
    return cursors;
}

LPCSTR SystemShape(TCursor id)
{
    switch (id) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNS: return IDC_SIZENS;
    case crSizeWE: return IDC_SIZEWE;
    case crHourGlass: return IDC_WAIT;
    case crNo: return IDC_NO;
    case crAppStart: return IDC_APPSTARTING;
    case crHelp: return IDC_HELP;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    default: return IDC_ARROW;
    }
}

}  // namespace

void RegisterCursor(TCursor id, HCURSOR cursor)
{
    if (id > 0)
        Registered()[id] = cursor;
}

HCURSOR CursorHandle(TCursor id)
{
    if (id > 0) {
        const auto found = Registered().find(id);
        if (found != Registered().end() && found->second)
            return found->second;
        return LoadCursorA(nullptr, IDC_ARROW);
    }
    return LoadCursorA(nullptr, SystemShape(id));
}
