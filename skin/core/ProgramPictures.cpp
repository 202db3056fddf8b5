#include "skin/core/ProgramPictures.h"

#include <memory>
#include <string>
#include <string_view>

#include "classlib/PixelBitmap.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"

namespace {

std::unique_ptr<PixelBitmap> shadowActive, shadowInactive;
HICON iconLarge = nullptr, iconSmall = nullptr;
bool loaded = false;

std::unique_ptr<PixelBitmap> ShadowFromResource(const wchar_t* name)
{
    HMODULE m = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(m, name, MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    HGLOBAL data = res ? LoadResource(m, res) : nullptr;
    const void* p = data ? LockResource(data) : nullptr;
    if (!p)
        return nullptr;
    try {
        auto bmp = DecodePng(std::string_view(static_cast<const char*>(p), SizeofResource(m, res)));
        ZeroWhitePixels(*bmp);
        return bmp;
    } catch (...) {
        return nullptr;   // a damaged resource: no default shadow, nothing else lost
    }
}

// The name of an icon group: a number, or a string (copied, since the
// enumeration's string lives only during the call).
struct GroupName {
    bool found = false;
    ULONG_PTR id = 0;
    std::wstring text;
    LPCWSTR Get() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
};

BOOL CALLBACK FirstIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    auto* group = reinterpret_cast<GroupName*>(param);
    group->found = true;
    if (IS_INTRESOURCE(name))
        group->id = ULONG_PTR(name);
    else
        group->text = name;
    return FALSE;   // the first one is the program's icon
}

HICON LoadProgramIcon(int side)
{
    HMODULE m = GetModuleHandleW(nullptr);
    GroupName group;
    EnumResourceNamesW(m, MAKEINTRESOURCEW(14) /*RT_GROUP_ICON*/, FirstIconGroup, LONG_PTR(&group));
    HICON icon = nullptr;
    if (group.found)
        icon = HICON(LoadImageW(m, group.Get(), IMAGE_ICON, side, side, 0));
    if (!icon) {
        // The system's shared icon is copied, so that every icon here is ours to destroy.
        HICON shared = HICON(LoadImageW(nullptr, MAKEINTRESOURCEW(32512) /*IDI_APPLICATION*/, IMAGE_ICON, side,
                                        side, LR_SHARED));
        icon = shared ? HICON(CopyImage(shared, IMAGE_ICON, side, side, 0)) : nullptr;
    }
    return icon;
}

}  // namespace

void LoadProgramPictures()
{
    if (loaded)
        return;
    loaded = true;
    shadowActive = ShadowFromResource(L"kvSHDA");
    shadowInactive = ShadowFromResource(L"kvSHDI");
    iconLarge = LoadProgramIcon(GetSystemMetrics(SM_CXICON));
    iconSmall = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON));
}

void FreeProgramPictures()
{
    if (!loaded)
        return;
    loaded = false;
    shadowActive.reset();
    shadowInactive.reset();
    for (HICON* icon : {&iconLarge, &iconSmall}) {
        if (*icon)
            DestroyIcon(*icon);
        *icon = nullptr;
    }
}

const PixelBitmap* DefaultShadow(bool active) { return (active ? shadowActive : shadowInactive).get(); }

HICON ProgramIcon(bool large) { return large ? iconLarge : iconSmall; }
