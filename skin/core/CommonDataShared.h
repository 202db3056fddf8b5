// Small helpers shared by the units of the per-control skin data
// (CommonData, CommonDataBackground, CommonHandlers). Not for other callers.
#pragma once
#include <windows.h>

#include <cwctype>

#include "skin/graphics/Constants.h"

namespace skindata {

inline String Upper(const String& s)
{
    String u = s;
    for (wchar_t& c : u)
        c = wchar_t(std::towupper(c));
    return u;
}

// The panel kinds: the owner's own focus does not make it hot, and it decides
// its parent-dependent state itself.
inline bool IsPanelKind(int k)
{
    return IsKind(k, TsControlKind::Panel) || k == 52 || k == 59 || k == 68 || k == 73;
}

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;

}  // namespace skindata
