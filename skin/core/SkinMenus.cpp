#include "skin/core/SkinMenus.h"

#include "classlib/TypInfo.h"
#include "skin/core/SkinManager.h"

int TsSkinableMenus::SkinBorderWidth()
{
    if (skinBorderWidth_ >= 0)
        return skinBorderWidth_;
    int section = owner_ ? owner_->FindSectionIndex(L"MAINMENU") : -1;
    int mask = section < 0 ? -1 : owner_->FindMaskIndex(section, L"MAINMENU", L"BORDERSMASK");
    if (mask < 0 || !owner_->IsMaskIndexValid(mask)) {
        skinBorderWidth_ = 0;
    } else {
        int margin = owner_->Tables().Masks[size_t(mask)].MarginLeft;
        skinBorderWidth_ = margin > 0 ? margin : 3;
    }
    return skinBorderWidth_;
}

void RegisterSkinableMenusProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* cls = TsSkinableMenus::StaticClassInfo();
    auto sm = [](TObject* o) { return static_cast<TsSkinableMenus*>(o); };
    auto integer = [&](const wchar_t* name, int TsSkinableMenus::*field) {
        TPropInfo p;
        p.Name = name;
        p.GetOrd = [sm, field](TObject* o) { return int64_t(sm(o)->*field); };
        p.SetOrd = [sm, field](TObject* o, int64_t v) { sm(o)->*field = int(v); };
        RegisterProperty(cls, std::move(p));
    };
    integer(L"BevelWidth", &TsSkinableMenus::BevelWidth);
    integer(L"BorderWidth", &TsSkinableMenus::BorderWidth);
    integer(L"Margin", &TsSkinableMenus::Margin);
    integer(L"Spacing", &TsSkinableMenus::Spacing);

    TPropInfo alignment;
    alignment.Name = L"Alignment";
    alignment.Kind = TTypeKind::tkEnumeration;
    alignment.EnumNames = {L"taLeftJustify", L"taRightJustify", L"taCenter"};
    alignment.GetOrd = [sm](TObject* o) { return int64_t(sm(o)->Alignment); };
    alignment.SetOrd = [sm](TObject* o, int64_t v) {
        if (v >= 0 && v <= 2)
            sm(o)->Alignment = TAlignment(v);
    };
    RegisterProperty(cls, std::move(alignment));

    TPropInfo border;   // read-only: measured from the skin
    border.Name = L"SkinBorderWidth";
    border.GetOrd = [sm](TObject* o) { return int64_t(sm(o)->SkinBorderWidth()); };
    RegisterProperty(cls, std::move(border));

    TPropInfo font;
    font.Name = L"CaptionFont";
    font.Kind = TTypeKind::tkClass;
    font.GetObj = [sm](TObject* o) -> TObject* { return &sm(o)->CaptionFont(); };
    font.SetObj = [sm](TObject* o, TObject* v) {
        if (auto* f = dynamic_cast<TFont*>(v))
            sm(o)->SetCaptionFont(*f);
    };
    RegisterProperty(cls, std::move(font));
}
