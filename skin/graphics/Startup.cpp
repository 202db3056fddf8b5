#include "skin/graphics/Startup.h"

#include "skin/core/Animations.h"

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
    // Animations: the theme switch-off function of uxtheme.
    InitAnimationsUnit();
    // Not built yet, to be added here in this order when their units exist:
    //  - the window-shadow images and the shared alpha image list of 48 x 16
    //    images made from the RCDATA resources "SF", "SR", "SD", "SE", "SC"
    //    (PNG, 32 bits), destroyed again in DoneSkinLibrary.
}

void DoneSkinLibrary()
{
    if (!started) return;
    started = false;
    DoneAnimationsUnit();
    DoneGlowUnit();
    DoneGradientUnit();
    DonePNGUnit();
    DoneBitmap32Unit();
    UnregisterJpegFormat();
    DoneSkinUtils();
    DoneSkinConstants();
}
