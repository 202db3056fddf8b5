// The "SkinData" property of a skinned control class: its skin data read by
// name, like any published property.
#pragma once
#include <utility>

#include "classlib/TypInfo.h"

// Publishes the property for a control class C that has SkinData(); once per class.
template <class C>
void RegisterSkinDataProperty()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    TPropInfo p;
    p.Name = L"SkinData";
    p.Kind = TTypeKind::tkClass;
    p.GetObj = [](TObject* o) -> TObject* { return &static_cast<C*>(o)->SkinData(); };
    RegisterProperty(C::StaticClassInfo(), std::move(p));
}
