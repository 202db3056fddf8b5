#include "skin/forms/Startup.h"

#include "skin/forms/BorderForm.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/MDIForm.h"

#include "skin/controls/AlphaImageList.h"
#include "skin/controls/EditWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/controls/ShellFolders.h"
#include "skin/core/Animations.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/ProgramPictures.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/FormMenus.h"
#include "skin/forms/SystemMenu.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/ClassNameTables.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/GradientFill.h"
#include "skin/graphics/JpegImage.h"
#include "skin/graphics/PNG.h"
#include "skin/graphics/ThreadedTimer.h"
#include "skin/graphics/Utils.h"

namespace {
bool started = false;
}

bool SkinLibraryStarted() { return started; }

void InitSkinLibrary()
{
    if (started) return;
    started = true;
    // Command-message unit.
    SkinCommandMessage = SkinCommandMessageNumber;
    // Constants unit: key colour, empty background record (both constant),
    // scroll-button size and the user-interface strings.
    InitSkinConstants();
    // Utilities unit: IsWow64Process and the composition flag.
    InitSkinUtils();
    // Class-name unit and the published properties of the library's classes.
    RegisterThirdPartyListProperties();
    RegisterThreadedTimerProperties();
    // JPEG pictures.
    RegisterJpegFormat();
    // 32-bit bitmap unit: layered-window functions and the check-box glyph size.
    InitBitmap32Unit();
    // PNG pictures ("png").
    InitPNGUnit();
    // Gradients: GradientFill of msimg32.
    InitGradientUnit();
    // Control painting: the corner fill and glow skins of managers, the
    // default manager as the text and glow painters' skin.
    InstallControlPaintHooks();
    // The shared alpha image list (48 x 16 images from the resources "SF", "SR",
    // "SD", "SE", "SC") and the class names that are never skinned.
    InitAlphaImageListUnit();
    // Shell folders: the system small-icon list, the desktop folder, OLE.
    InitShellUnit();
    // Animations: the theme switch-off function of uxtheme; the manager's
    // skin-change fade and hide calls.
    InitAnimationsUnit();
    // The manager unit: the default window shadows ("kvSHDA", "kvSHDI") and
    // the program's icons.
    LoadProgramPictures();
    // Window wrappers: GetScrollBarInfo and the flat scroll-bar switches.
    InitMainWndUnit();
    // Skinned scroll bars: the wrapper UpdateScrollWnd makes.
    InitScrollWndUnit();
    // Edit wrappers: the wrapper UpdateEditWnd makes.
    InitEditWndUnit();
    // The control adapter: the wrappers the class-name lists select, the
    // provider's adapter seams; the MDI main form's child buttons.
    InitCtrlAdapterUnit();
    InitMDIFormUnit();
    // Dialog skinning: the hook procedure, the dialog list's clearing.
    InitDialogsUnit();
    // The form's menu line in the frame picture: painted by the skinned menus.
    InitFormMenusUnit();
    // System menus: the dialogs' skinned system menu, the menus' published questions.
    InitSystemMenuUnit();
    // The border window's frame picture: its size, the shadow margins and the shadow.
    InitBorderFormUnit();
}

void DoneSkinLibrary()
{
    if (!started) return;
    started = false;
    // Dialog skinning: the popup-menu wrappers and the registered dialogs.
    DoneDialogsUnit();
    // Window wrappers: the popup-menu and page wrappers, the libraries.
    DoneMainWndUnit();
    FreeProgramPictures();
    DoneAnimationsUnit();
    DoneShellUnit();
    DoneAlphaImageListUnit();
    DoneGlowUnit();
    DoneGradientUnit();
    DonePNGUnit();
    DoneBitmap32Unit();
    UnregisterJpegFormat();
    DoneSkinUtils();
    DoneSkinConstants();
}
