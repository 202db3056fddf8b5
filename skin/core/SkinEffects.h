// The manager's settings objects: the effects switches and the animation
// settings of forms, dialogs, pages and buttons. Each is a persistent object
// with published properties, so code that does not know these classes can read
// and write them by name through the manager ("AnimEffects", then "FormShow",
// then "Time").
#pragma once
#include <cstdint>

#include "classlib/Object.h"
#include "skin/graphics/Constants.h"

class TkvSkinEffects : public TPersistent {
    DECLARE_CLASS(TkvSkinEffects, TPersistent)
public:
    // True only when set, layered windows exist and glowing is not suppressed.
    bool GetAllowGlowing() const;
    void SetAllowGlowing(bool v) { allowGlowing_ = v; }
    bool AllowAeroBluring = true;
    static bool GlowingSuppressed;   // process-wide switch

private:
    bool allowGlowing_ = true;
};

class TkvBtnEffects : public TPersistent {
    DECLARE_CLASS(TkvBtnEffects, TPersistent)
public:
    unsigned Events = beMouseEnter | beMouseLeave | beMouseDown | beMouseUp;
};

class TkvFormAnimation : public TPersistent {
    DECLARE_CLASS(TkvFormAnimation, TPersistent)
public:
    bool Active = true;
    uint16_t Time = 0;
    TkvAnimType Mode = TkvAnimType::atAero;
};
class TkvBlendOnMoving : public TkvFormAnimation {
    DECLARE_CLASS(TkvBlendOnMoving, TkvFormAnimation)
public:
    TkvBlendOnMoving() { Active = false; Time = 1000; }
    uint8_t BlendValue = 170;
};
class TkvMinimizing : public TkvFormAnimation {
    DECLARE_CLASS(TkvMinimizing, TkvFormAnimation)
public:
    TkvMinimizing() { Time = 200; }
};
class TkvFormShow : public TkvFormAnimation {
    DECLARE_CLASS(TkvFormShow, TkvFormAnimation)
};
class TkvFormHide : public TkvFormAnimation {
    DECLARE_CLASS(TkvFormHide, TkvFormAnimation)
};
class TkvPageChange : public TkvFormAnimation {
    DECLARE_CLASS(TkvPageChange, TkvFormAnimation)
};
class TkvDialogShow : public TkvFormAnimation {
    DECLARE_CLASS(TkvDialogShow, TkvFormAnimation)
};
class TkvSkinChanging : public TkvFormAnimation {
    DECLARE_CLASS(TkvSkinChanging, TkvFormAnimation)
public:
    TkvSkinChanging() { Time = 100; Mode = TkvAnimType::atFading; }
};

class TkvAnimEffects : public TPersistent {
    DECLARE_CLASS(TkvAnimEffects, TPersistent)
public:
    TkvBlendOnMoving BlendOnMoving;
    TkvBtnEffects Buttons;
    TkvDialogShow DialogShow;
    TkvFormShow FormShow;
    TkvFormHide FormHide;
    TkvFormHide DialogHide;
    TkvMinimizing Minimizing;
    TkvPageChange PageChange;
    TkvSkinChanging SkinChanging;
};

// Registers the published properties of the classes above (once; later calls do nothing).
void RegisterSkinEffectsProperties();
