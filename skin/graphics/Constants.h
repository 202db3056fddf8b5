// Numbers, markers, types and start-up values shared by every unit of the
// skinning library: the skin command message and its command numbers, the
// further private messages, the class library's notifications the library
// reacts to, the wrapper property and the no-skin tag, the skinning rules,
// the parent-background record and the user-interface string ids.
// Free of <windows.h>, so that pixel and format code can use it natively.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using String = std::wstring;
using TColor = int32_t;   // 0x00BBGGRR, the class library's colour value
class TBitmap;

// ---------------------------------------------------------------- skin command message
// WParam: high word = command number, low word = sub-argument (1 = on for
// commands 8 and 9, 1 = also repaint for 17 and 20, else 0). LParam: the skin
// manager for the skin-wide commands, else as noted. Result 0 = not handled,
// not skinned or no answer.
constexpr unsigned SkinCommandMessageNumber = 0xA100;
// The message number in its process-wide variable. It is constant-initialised,
// so it holds its value from the moment the program is loaded, before any code
// runs and any window exists; the library's start-up sets it again to the same
// number and nothing else writes it.
extern unsigned SkinCommandMessage;

// The commands by name. SkinCmdXxx below are the same numbers as plain
// unsigned values, as they travel in the high word of WParam.
enum class TsSkinCommand : unsigned {
    NewSkin = 1,                     // LParam manager
    RemoveSkin = 2,                  // LParam manager
    Refresh = 3,                     // LParam manager
    GetProvider = 4,                 // Result = the form's provider
    NotifyPainted = 5,
    ParentUpdated = 6,
    IsSkinned = 7,                   // Result 1 when skinned
    SetUpdating = 8,                 // low word 1 sets, 0 clears
    SetUrgentPaint = 9,              // low word 1 sets
    IsUpdating = 10,
    IsPartlyCovered = 11,
    SectionChanged = 13,
    MenuRegionSet = 14,
    SetSection = 15,                 // LParam record, 2nd field = section name
    BeforeRefresh = 16,              // LParam manager
    Invalidate = 17,                 // low word 1 also repaints
    ForceRepaint = 18,
    IsTransparent = 19,
    ParentMoved = 20,                // low word 1 also redraws
    GetBkColor = 21,                 // LParam = key colour as no-answer default
    SetPartlyCovered = 22,
    ClearBackgroundChanged = 23,
    ControlChanged = 25,             // LParam the control (0 = the form)
    GetSectionIndex = 26,            // LParam pointer to an integer
    ContainerQuery = 27,
    ReinitDialog = 28,
    MouseEnter = 29,                 // LParam manager
    MouseLeave = 30,                 // LParam manager
    BeginUpdate = 31,
    EndUpdate = 32,
    DropCache = 33,
    GetBackground = 34,              // LParam pointer to a TsBgRequest
    QueryDisabledLook = 35,          // LParam pointer to a flags byte preset to 1
    SkinState = 36,                  // LParam 1 = refresh state
    GetSkinData = 37,                // Result = the receiver's TsCommonData
    SetPrintTarget = 38,             // LParam device context or 0
    LockRedraw = 51,
    UnlockRedraw = 52,
    GetApplication = 60,
    GetFrameOffset = 61,             // Result: left width low word, top height high word
    TitleChanged = 62,               // LParam 1 = background changed
    MenuMouseLeave = 675,
};

constexpr unsigned SkinCmdNewSkin = unsigned(TsSkinCommand::NewSkin);
constexpr unsigned SkinCmdRemoveSkin = unsigned(TsSkinCommand::RemoveSkin);
constexpr unsigned SkinCmdRefresh = unsigned(TsSkinCommand::Refresh);
constexpr unsigned SkinCmdGetProvider = unsigned(TsSkinCommand::GetProvider);
constexpr unsigned SkinCmdNotifyPainted = unsigned(TsSkinCommand::NotifyPainted);
constexpr unsigned SkinCmdParentUpdated = unsigned(TsSkinCommand::ParentUpdated);
constexpr unsigned SkinCmdIsSkinned = unsigned(TsSkinCommand::IsSkinned);
constexpr unsigned SkinCmdSetUpdating = unsigned(TsSkinCommand::SetUpdating);
constexpr unsigned SkinCmdSetUrgentPaint = unsigned(TsSkinCommand::SetUrgentPaint);
constexpr unsigned SkinCmdIsUpdating = unsigned(TsSkinCommand::IsUpdating);
constexpr unsigned SkinCmdIsPartlyCovered = unsigned(TsSkinCommand::IsPartlyCovered);
constexpr unsigned SkinCmdSectionChanged = unsigned(TsSkinCommand::SectionChanged);
constexpr unsigned SkinCmdMenuRegionSet = unsigned(TsSkinCommand::MenuRegionSet);
constexpr unsigned SkinCmdSetSection = unsigned(TsSkinCommand::SetSection);
constexpr unsigned SkinCmdBeforeRefresh = unsigned(TsSkinCommand::BeforeRefresh);
constexpr unsigned SkinCmdInvalidate = unsigned(TsSkinCommand::Invalidate);
constexpr unsigned SkinCmdForceRepaint = unsigned(TsSkinCommand::ForceRepaint);
constexpr unsigned SkinCmdIsTransparent = unsigned(TsSkinCommand::IsTransparent);
constexpr unsigned SkinCmdParentMoved = unsigned(TsSkinCommand::ParentMoved);
constexpr unsigned SkinCmdGetBkColor = unsigned(TsSkinCommand::GetBkColor);
constexpr unsigned SkinCmdSetPartlyCovered = unsigned(TsSkinCommand::SetPartlyCovered);
constexpr unsigned SkinCmdClearBackgroundChanged = unsigned(TsSkinCommand::ClearBackgroundChanged);
constexpr unsigned SkinCmdControlChanged = unsigned(TsSkinCommand::ControlChanged);
constexpr unsigned SkinCmdGetSectionIndex = unsigned(TsSkinCommand::GetSectionIndex);
constexpr unsigned SkinCmdContainerQuery = unsigned(TsSkinCommand::ContainerQuery);
constexpr unsigned SkinCmdReinitDialog = unsigned(TsSkinCommand::ReinitDialog);
constexpr unsigned SkinCmdMouseEnter = unsigned(TsSkinCommand::MouseEnter);
constexpr unsigned SkinCmdMouseLeave = unsigned(TsSkinCommand::MouseLeave);
constexpr unsigned SkinCmdBeginUpdate = unsigned(TsSkinCommand::BeginUpdate);
constexpr unsigned SkinCmdEndUpdate = unsigned(TsSkinCommand::EndUpdate);
constexpr unsigned SkinCmdDropCache = unsigned(TsSkinCommand::DropCache);
constexpr unsigned SkinCmdGetBackground = unsigned(TsSkinCommand::GetBackground);
constexpr unsigned SkinCmdQueryDisabledLook = unsigned(TsSkinCommand::QueryDisabledLook);
constexpr unsigned SkinCmdSkinState = unsigned(TsSkinCommand::SkinState);
constexpr unsigned SkinCmdGetSkinData = unsigned(TsSkinCommand::GetSkinData);
constexpr unsigned SkinCmdSetPrintTarget = unsigned(TsSkinCommand::SetPrintTarget);
constexpr unsigned SkinCmdLockRedraw = unsigned(TsSkinCommand::LockRedraw);
constexpr unsigned SkinCmdUnlockRedraw = unsigned(TsSkinCommand::UnlockRedraw);
constexpr unsigned SkinCmdGetApplication = unsigned(TsSkinCommand::GetApplication);
constexpr unsigned SkinCmdGetFrameOffset = unsigned(TsSkinCommand::GetFrameOffset);
constexpr unsigned SkinCmdTitleChanged = unsigned(TsSkinCommand::TitleChanged);
constexpr unsigned SkinCmdMenuMouseLeave = unsigned(TsSkinCommand::MenuMouseLeave);

// Every command number in ascending order (42 of them).
extern const unsigned SkinCommandNumbers[42];
// The name of a command number ("SkinCmdNewSkin", ...), empty for unused numbers.
const wchar_t* SkinCommandName(unsigned command);

// WParam of a skin command: command number in the high word, sub-argument in the low word.
constexpr uintptr_t MakeSkinCmdWParam(unsigned command, unsigned subArgument = 0)
{
    return (uintptr_t(command & 0xFFFF) << 16) | (subArgument & 0xFFFF);
}
constexpr uintptr_t MakeSkinCmdWParam(TsSkinCommand command, unsigned subArgument = 0)
{
    return MakeSkinCmdWParam(unsigned(command), subArgument);
}
constexpr unsigned SkinCommandOf(uintptr_t wParam) { return unsigned((wParam >> 16) & 0xFFFF); }
constexpr unsigned SkinSubArgumentOf(uintptr_t wParam) { return unsigned(wParam & 0xFFFF); }

// ---------------------------------------------------------------- control kinds
// The kind code of a skinned control (TsCommonData::ControlKind). Kinds are an
// open set of numbers, tables of which pick default sections and behaviour;
// these are the kinds code asks for by name.
enum class TsControlKind : int32_t {
    ListView = 10,        // an edit-like kind whose font colour the skin leaves alone
    CheckBox = 32,
    RadioButton = 33,
    Image = 50,
    Panel = 51,
    TabSheet = 57,
    GroupBox = 74,
    PageControl = 141,    // 141 and 143 both take the page-control section
    TabControl = 143,
    Form = 224,           // a form provider's own data
    Frame = 226,          // a frame adapter's data
    AdapterItem = 230,
    AdapterEdit = 231,
};
constexpr bool IsKind(int32_t kind, TsControlKind named) { return kind == int32_t(named); }

// ---------------------------------------------------------------- further private messages
constexpr unsigned SkinEditorLinkMessage = 0xA400;     // link with the external skin editor
constexpr const wchar_t* SkinEditorCaption = L"Velmiros Editor";
constexpr unsigned SkinEditorLinkTries = 101;
constexpr unsigned SkinTransferWParam = 7;             // WM_COPYDATA WParam of a SkinTransferRecord
constexpr unsigned SkinTransferRecordSize = 30646;
constexpr unsigned RegionOptOutQuery = 0xBC4D;         // WParam RegionOptOutAnswer
constexpr unsigned RegionOptOutAnswer = 0x41A2;        // answered by windows that keep their region
constexpr unsigned MenuItemDrawnMessage = 0xBCB3;      // posted to the application window, LParam menu item
constexpr unsigned MenuWindowBorderMessage = 0xBCB4;   // LParam popup-menu window handle

// The class library's notifications (0xB000 + n) and reflected notifications
// (0xBC00 + n) that the library handles.
constexpr unsigned CtlNotifyAppActivate = 0xB000;
constexpr unsigned CtlNotifyFocusChanged = 0xB007;
constexpr unsigned CtlNotifyVisibleChanged = 0xB00B;
constexpr unsigned CtlNotifyEnabledChanged = 0xB00C;
constexpr unsigned CtlNotifyFontChanged = 0xB00E;
constexpr unsigned CtlNotifyTextChanged = 0xB012;
constexpr unsigned CtlNotifyMouseEnter = 0xB013;
constexpr unsigned CtlNotifyMouseLeave = 0xB014;
constexpr unsigned CtlNotifyMenuChanged = 0xB015;
constexpr unsigned CtlNotifyShowingChanged = 0xB019;
constexpr unsigned CtlNotifyExit = 0xB01B;
constexpr unsigned CtlNotifyControlListChange = 0xB02C;
constexpr unsigned CtlNotifyRecreateWnd = 0xB033;
constexpr unsigned CtlNotifyMouseWheel = 0xB043;
constexpr unsigned CtlNotifyReflectedNotify = 0xBC4E;

// ---------------------------------------------------------------- markers
// Window property that holds a subclassed window's wrapper object.
constexpr const wchar_t* SkinWrapperProperty = L"KVSBSC";
// Tag of the library's own auxiliary windows and of components that automatic
// skinning leaves alone.
constexpr long NoSkinTag = -98;
// A label with this tag is left out of the adapter's scan of labels.
constexpr long NoSkinLabelTag = 98;
// The control adapter's test: the tag is exactly -98.
constexpr bool IsNoSkinTag(long tag) { return tag == NoSkinTag; }
// The dialog hook's test: every bit of -98 is set in the tag (also true for -1 and -2).
constexpr bool HasNoSkinTagBits(long tag) { return (tag & NoSkinTag) == NoSkinTag; }

// ---------------------------------------------------------------- skinning rules
enum TkvSkinningRule : unsigned {
    srStdForms = 1,     // plain forms get a provider automatically
    srStdDialogs = 2,   // system dialogs and message boxes are skinned
    srThirdParty = 4,   // controls named in the class-name lists are skinned
};
using TkvSkinningRules = unsigned;
constexpr TkvSkinningRules DefaultSkinningRules = srStdForms | srStdDialogs | srThirdParty;

// ---------------------------------------------------------------- types of the constants unit
enum class TkvAnimType { atFading, atAero };
enum TkvBtnEvent : unsigned { beMouseEnter = 1, beMouseLeave = 2, beMouseDown = 4, beMouseUp = 8 };
using TkvBtnEvents = unsigned;

// One stop of a section's gradient (the format and its parser belong to the gradient unit).
struct TsGradStop {
    TColor Color1 = 0;
    TColor Color2 = 0;
    uint8_t Percent = 0;   // 0..100
    int32_t Mode = 0;
};
using TsGradArray = std::vector<TsGradStop>;

// The colour that marks transparent pixels of skin images (RGB 255, 0, 255).
constexpr TColor SkinKeyColor = 0x00FF00FF;

// The background behind a control as its painters receive it.
struct TsBgCacheInfo {
    TBitmap* Bmp = nullptr;       // not owned; usually the parent's cache bitmap
    int32_t X = 0;                // offset of the control's origin inside Bmp
    int32_t Y = 0;
    TColor FillColor = SkinKeyColor;   // plain colour when there is no bitmap; key colour = none
    int32_t FrameWidths[4] = {};  // left, top, right, bottom
    bool Ready = false;           // Bmp holds a usable background
};
// The default when a window has no parent: no bitmap, X = Y = -99, the key colour, not ready.
extern const TsBgCacheInfo EmptyBgCacheInfo;

// Width of a horizontal scroll-bar arrow; 16 until the library's start-up reads the system metric.
extern int ScrollButtonSize;

// ---------------------------------------------------------------- user-interface strings
// Ids in the program's string table.
constexpr unsigned StrSysMenuRestore = 58981;
constexpr unsigned StrSysMenuMove = 58980;
constexpr unsigned StrSysMenuSize = 58979;
constexpr unsigned StrSysMenuMinimize = 58978;
constexpr unsigned StrSysMenuMaximize = 58977;
constexpr unsigned StrSysMenuClose = 58976;
constexpr unsigned StrAvailableSkins = 58964;
constexpr unsigned StrInternalSkinLabel = 58963;
constexpr unsigned StrFrameAdapterMisplaced = 58950;
constexpr unsigned StrInvalidDate = 58923;
constexpr unsigned StrDlgOK = 58992;
constexpr unsigned StrDlgCancel = 58991;
constexpr unsigned StrDlgHelp = 58990;
constexpr unsigned StrCalculator = 58975;
constexpr unsigned StrFileOpen = 58970;
constexpr unsigned StrErrorSettingCount = 58962;
constexpr unsigned StrListboxMustBeVirtual = 58961;
constexpr unsigned StrAddToCustomColors = 58960;
constexpr unsigned StrDefineColors = 58959;
constexpr unsigned StrMainPalette = 58958;
constexpr unsigned StrAdditionalColors = 58957;
constexpr unsigned StrColor = 58956;
constexpr unsigned StrRed = 58955;
constexpr unsigned StrGreen = 58954;
constexpr unsigned StrBlue = 58953;
constexpr unsigned StrDecimal = 58952;
constexpr unsigned StrHex = 58951;
constexpr unsigned StrHintDesignerForm = 58949;
constexpr unsigned StrPreservedSettings = 58948;
constexpr unsigned StrStyle = 58947;
constexpr unsigned StrBevelWidth = 58946;
constexpr unsigned StrBlur = 58945;
constexpr unsigned StrArrowLength = 58944;
constexpr unsigned StrHorizMargin = 58943;
constexpr unsigned StrVertMargin = 58942;
constexpr unsigned StrCornersRadius = 58941;
constexpr unsigned StrMaxWidth = 58940;
constexpr unsigned StrPauseHide = 58939;
constexpr unsigned StrPercent = 58938;
constexpr unsigned StrOffset = 58937;
constexpr unsigned StrTransparency = 58936;
constexpr unsigned StrNoPicture = 58935;
constexpr unsigned StrFont = 58934;
constexpr unsigned StrTexture = 58933;
constexpr unsigned StrLoadFromFile = 58932;
constexpr unsigned StrSaveToFileAs = 58931;
constexpr unsigned StrHintColor = 58930;
constexpr unsigned StrTopBorder = 58929;
constexpr unsigned StrBottomBorder = 58928;
constexpr unsigned StrShadow = 58927;
constexpr unsigned StrBackground = 58926;
constexpr unsigned StrGradient = 58925;
constexpr unsigned StrHintPreview = 58924;
constexpr unsigned StrSelectDirectory = 58911;
constexpr unsigned StrCreate = 58910;
// Resource strings of the library's strings unit.
constexpr unsigned StrRoot = 65263;
constexpr unsigned StrDirectoryWithSkins = 65232;
constexpr unsigned StrSelectSkin = 65233;
constexpr unsigned StrSkinPreview = 65234;

constexpr int SkinUIStringCount = 59;
// The ids of all 59 strings, in the order the string table lists them.
extern const unsigned SkinUIStringIds[SkinUIStringCount];
// Text of a user-interface string as loaded at start-up ("Invalid date" when
// the table gave nothing for that id); empty for an id that is not one of the 59.
const String& SkinUIString(unsigned id);

// Loads the 59 strings from the string table of a module (an HMODULE); an id
// the table lacks gives an empty text, except "Invalid date", which falls back
// to that literal.
void LoadSkinUIStrings(void* module);

// Start-up and shut-down of the constants unit (called by the library's start-up):
// ScrollButtonSize from the system, the 59 strings from the program's string table.
void InitSkinConstants();
void DoneSkinConstants();
