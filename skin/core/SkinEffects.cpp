#include "skin/core/SkinEffects.h"

#include <type_traits>
#include <vector>

#include "classlib/TypInfo.h"
#include "skin/graphics/Bitmap32.h"

bool TkvSkinEffects::GlowingSuppressed = false;

bool TkvSkinEffects::GetAllowGlowing() const
{
    return allowGlowing_ && LayeredWindowsAvailable() && !GlowingSuppressed;
}

namespace {

// A published property served by a plain field of the class.
template <class C, class V>
TPropInfo FieldProperty(const wchar_t* name, V C::*field, TTypeKind kind = TTypeKind::tkInteger,
                        std::vector<String> names = {})
{
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.EnumNames = std::move(names);
    p.GetOrd = [field](TObject* o) { return int64_t(static_cast<C*>(o)->*field); };
    if constexpr (std::is_same_v<V, bool>)
        p.SetOrd = [field](TObject* o, int64_t v) { static_cast<C*>(o)->*field = v != 0; };
    else
        p.SetOrd = [field](TObject* o, int64_t v) { static_cast<C*>(o)->*field = V(v); };
    return p;
}

template <class C>
TPropInfo BoolField(const wchar_t* name, bool C::*field)
{
    return FieldProperty(name, field, TTypeKind::tkEnumeration, {L"False", L"True"});
}

// A read-only published object property served by a member object.
template <class C, class V>
TPropInfo ObjectField(const wchar_t* name, V C::*field)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkClass;
    p.GetObj = [field](TObject* o) -> TObject* { return &(static_cast<C*>(o)->*field); };
    return p;
}

}  // namespace

void RegisterSkinEffectsProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;

    const TClassInfo* effects = TkvSkinEffects::StaticClassInfo();
    RegisterProperty(effects, BoolProperty<TkvSkinEffects>(L"AllowGlowing", &TkvSkinEffects::GetAllowGlowing,
                                                           &TkvSkinEffects::SetAllowGlowing));
    RegisterProperty(effects, BoolField(L"AllowAeroBluring", &TkvSkinEffects::AllowAeroBluring));

    RegisterProperty(TkvBtnEffects::StaticClassInfo(),
                     FieldProperty(L"Events", &TkvBtnEffects::Events, TTypeKind::tkSet,
                                   {L"beMouseEnter", L"beMouseLeave", L"beMouseDown", L"beMouseUp"}));

    // Every form animation class inherits these three.
    const TClassInfo* anim = TkvFormAnimation::StaticClassInfo();
    RegisterProperty(anim, BoolField(L"Active", &TkvFormAnimation::Active));
    RegisterProperty(anim, FieldProperty(L"Time", &TkvFormAnimation::Time));
    RegisterProperty(anim, FieldProperty(L"Mode", &TkvFormAnimation::Mode, TTypeKind::tkEnumeration,
                                         {L"atFading", L"atAero"}));
    RegisterProperty(TkvBlendOnMoving::StaticClassInfo(),
                     FieldProperty(L"BlendValue", &TkvBlendOnMoving::BlendValue));

    const TClassInfo* all = TkvAnimEffects::StaticClassInfo();
    RegisterProperty(all, ObjectField(L"BlendOnMoving", &TkvAnimEffects::BlendOnMoving));
    RegisterProperty(all, ObjectField(L"Buttons", &TkvAnimEffects::Buttons));
    RegisterProperty(all, ObjectField(L"DialogShow", &TkvAnimEffects::DialogShow));
    RegisterProperty(all, ObjectField(L"FormShow", &TkvAnimEffects::FormShow));
    RegisterProperty(all, ObjectField(L"FormHide", &TkvAnimEffects::FormHide));
    RegisterProperty(all, ObjectField(L"DialogHide", &TkvAnimEffects::DialogHide));
    RegisterProperty(all, ObjectField(L"Minimizing", &TkvAnimEffects::Minimizing));
    RegisterProperty(all, ObjectField(L"PageChange", &TkvAnimEffects::PageChange));
    RegisterProperty(all, ObjectField(L"SkinChanging", &TkvAnimEffects::SkinChanging));
}
