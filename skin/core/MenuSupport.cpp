#include "skin/core/MenuSupport.h"

#include "classlib/TypInfo.h"

void RegisterMenuSupportProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* cls = TkvMenuSupport::StaticClassInfo();
    auto ms = [](TObject* o) { return static_cast<TkvMenuSupport*>(o); };

    TPropInfo alpha;
    alpha.Name = L"AlphaBlend";
    alpha.GetOrd = [ms](TObject* o) { return int64_t(ms(o)->AlphaBlend); };
    alpha.SetOrd = [ms](TObject* o, int64_t v) { ms(o)->AlphaBlend = uint8_t(v); };
    RegisterProperty(cls, std::move(alpha));

    TPropInfo icoLine;
    icoLine.Name = L"IcoLineSkin";
    icoLine.Kind = TTypeKind::tkString;
    icoLine.GetStr = [ms](TObject* o) { return ms(o)->IcoLineSkin; };
    icoLine.SetStr = [ms](TObject* o, const String& v) { ms(o)->IcoLineSkin = v; };
    RegisterProperty(cls, std::move(icoLine));

    TPropInfo useExtra;
    useExtra.Name = L"UseExtraLine";
    useExtra.Kind = TTypeKind::tkEnumeration;
    useExtra.EnumNames = {L"False", L"True"};
    useExtra.GetOrd = [ms](TObject* o) { return int64_t(ms(o)->UseExtraLine); };
    useExtra.SetOrd = [ms](TObject* o, int64_t v) { ms(o)->UseExtraLine = v != 0; };
    RegisterProperty(cls, std::move(useExtra));

    TPropInfo width;
    width.Name = L"ExtraLineWidth";
    width.GetOrd = [ms](TObject* o) { return int64_t(ms(o)->ExtraLineWidth); };
    width.SetOrd = [ms](TObject* o, int64_t v) { ms(o)->ExtraLineWidth = int(v); };
    RegisterProperty(cls, std::move(width));

    TPropInfo font;
    font.Name = L"ExtraLineFont";
    font.Kind = TTypeKind::tkClass;
    font.GetObj = [ms](TObject* o) -> TObject* { return &ms(o)->ExtraLineFont(); };
    font.SetObj = [ms](TObject* o, TObject* v) {
        if (auto* f = dynamic_cast<TFont*>(v))
            ms(o)->SetExtraLineFont(*f);
    };
    RegisterProperty(cls, std::move(font));
}
