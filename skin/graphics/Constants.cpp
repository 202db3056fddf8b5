// Values of the constants unit that need no system call. No <windows.h> here.
#include "skin/graphics/Constants.h"

constinit unsigned SkinCommandMessage = SkinCommandMessageNumber;

int ScrollButtonSize = 16;

const TsBgCacheInfo EmptyBgCacheInfo{nullptr, -99, -99, SkinKeyColor, {0, 0, 0, 0}, false};

namespace {
struct CommandName {
    unsigned number;
    const wchar_t* name;
};

constexpr CommandName commandNames[] = {
    {SkinCmdNewSkin, L"SkinCmdNewSkin"},
    {SkinCmdRemoveSkin, L"SkinCmdRemoveSkin"},
    {SkinCmdRefresh, L"SkinCmdRefresh"},
    {SkinCmdGetProvider, L"SkinCmdGetProvider"},
    {SkinCmdNotifyPainted, L"SkinCmdNotifyPainted"},
    {SkinCmdParentUpdated, L"SkinCmdParentUpdated"},
    {SkinCmdIsSkinned, L"SkinCmdIsSkinned"},
    {SkinCmdSetUpdating, L"SkinCmdSetUpdating"},
    {SkinCmdSetUrgentPaint, L"SkinCmdSetUrgentPaint"},
    {SkinCmdIsUpdating, L"SkinCmdIsUpdating"},
    {SkinCmdIsPartlyCovered, L"SkinCmdIsPartlyCovered"},
    {SkinCmdSectionChanged, L"SkinCmdSectionChanged"},
    {SkinCmdMenuRegionSet, L"SkinCmdMenuRegionSet"},
    {SkinCmdSetSection, L"SkinCmdSetSection"},
    {SkinCmdBeforeRefresh, L"SkinCmdBeforeRefresh"},
    {SkinCmdInvalidate, L"SkinCmdInvalidate"},
    {SkinCmdForceRepaint, L"SkinCmdForceRepaint"},
    {SkinCmdIsTransparent, L"SkinCmdIsTransparent"},
    {SkinCmdParentMoved, L"SkinCmdParentMoved"},
    {SkinCmdGetBkColor, L"SkinCmdGetBkColor"},
    {SkinCmdSetPartlyCovered, L"SkinCmdSetPartlyCovered"},
    {SkinCmdClearBackgroundChanged, L"SkinCmdClearBackgroundChanged"},
    {SkinCmdControlChanged, L"SkinCmdControlChanged"},
    {SkinCmdGetSectionIndex, L"SkinCmdGetSectionIndex"},
    {SkinCmdContainerQuery, L"SkinCmdContainerQuery"},
    {SkinCmdReinitDialog, L"SkinCmdReinitDialog"},
    {SkinCmdMouseEnter, L"SkinCmdMouseEnter"},
    {SkinCmdMouseLeave, L"SkinCmdMouseLeave"},
    {SkinCmdBeginUpdate, L"SkinCmdBeginUpdate"},
    {SkinCmdEndUpdate, L"SkinCmdEndUpdate"},
    {SkinCmdDropCache, L"SkinCmdDropCache"},
    {SkinCmdGetBackground, L"SkinCmdGetBackground"},
    {SkinCmdQueryDisabledLook, L"SkinCmdQueryDisabledLook"},
    {SkinCmdSkinState, L"SkinCmdSkinState"},
    {SkinCmdGetSkinData, L"SkinCmdGetSkinData"},
    {SkinCmdSetPrintTarget, L"SkinCmdSetPrintTarget"},
    {SkinCmdLockRedraw, L"SkinCmdLockRedraw"},
    {SkinCmdUnlockRedraw, L"SkinCmdUnlockRedraw"},
    {SkinCmdGetApplication, L"SkinCmdGetApplication"},
    {SkinCmdGetFrameOffset, L"SkinCmdGetFrameOffset"},
    {SkinCmdTitleChanged, L"SkinCmdTitleChanged"},
    {SkinCmdMenuMouseLeave, L"SkinCmdMenuMouseLeave"},
};
static_assert(sizeof commandNames / sizeof commandNames[0] == 42);
}  // namespace

const unsigned SkinCommandNumbers[42] = {
    SkinCmdNewSkin, SkinCmdRemoveSkin, SkinCmdRefresh, SkinCmdGetProvider, SkinCmdNotifyPainted,
    SkinCmdParentUpdated, SkinCmdIsSkinned, SkinCmdSetUpdating, SkinCmdSetUrgentPaint, SkinCmdIsUpdating,
    SkinCmdIsPartlyCovered, SkinCmdSectionChanged, SkinCmdMenuRegionSet, SkinCmdSetSection,
    SkinCmdBeforeRefresh, SkinCmdInvalidate, SkinCmdForceRepaint, SkinCmdIsTransparent, SkinCmdParentMoved,
    SkinCmdGetBkColor, SkinCmdSetPartlyCovered, SkinCmdClearBackgroundChanged, SkinCmdControlChanged,
    SkinCmdGetSectionIndex, SkinCmdContainerQuery, SkinCmdReinitDialog, SkinCmdMouseEnter, SkinCmdMouseLeave,
    SkinCmdBeginUpdate, SkinCmdEndUpdate, SkinCmdDropCache, SkinCmdGetBackground, SkinCmdQueryDisabledLook,
    SkinCmdSkinState, SkinCmdGetSkinData, SkinCmdSetPrintTarget, SkinCmdLockRedraw, SkinCmdUnlockRedraw,
    SkinCmdGetApplication, SkinCmdGetFrameOffset, SkinCmdTitleChanged, SkinCmdMenuMouseLeave,
};

const wchar_t* SkinCommandName(unsigned command)
{
    for (const auto& c : commandNames)
        if (c.number == command) return c.name;
    return L"";
}

const unsigned SkinUIStringIds[SkinUIStringCount] = {
    StrDlgOK, StrDlgCancel, StrDlgHelp,
    StrSysMenuRestore, StrSysMenuMove, StrSysMenuSize, StrSysMenuMinimize, StrSysMenuMaximize, StrSysMenuClose,
    StrCalculator, StrFileOpen, StrAvailableSkins, StrInternalSkinLabel, StrErrorSettingCount,
    StrListboxMustBeVirtual, StrAddToCustomColors, StrDefineColors, StrMainPalette, StrAdditionalColors,
    StrColor, StrRed, StrGreen, StrBlue, StrDecimal, StrHex, StrFrameAdapterMisplaced, StrHintDesignerForm,
    StrPreservedSettings, StrStyle, StrBevelWidth, StrBlur, StrArrowLength, StrHorizMargin, StrVertMargin,
    StrCornersRadius, StrMaxWidth, StrPauseHide, StrPercent, StrOffset, StrTransparency, StrNoPicture, StrFont,
    StrTexture, StrLoadFromFile, StrSaveToFileAs, StrHintColor, StrTopBorder, StrBottomBorder, StrShadow,
    StrBackground, StrGradient, StrHintPreview, StrInvalidDate, StrSelectDirectory, StrCreate,
    StrRoot, StrDirectoryWithSkins, StrSelectSkin, StrSkinPreview,
};
