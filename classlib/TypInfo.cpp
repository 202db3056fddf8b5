#include "classlib/TypInfo.h"

#include <map>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

namespace {
bool SameName(const String& a, const String& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'a' && x <= L'z') x = wchar_t(x - 32);
        if (y >= L'a' && y <= L'z') y = wchar_t(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::map<const TClassInfo*, std::vector<TPropInfo>>& Registry()
{
    static std::map<const TClassInfo*, std::vector<TPropInfo>> registry;
    return registry;
}

void RegisterClassLibProperties();

void EnsureBuiltins()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterClassLibProperties();
}

const TPropInfo& Need(const TObject* object, const String& name, bool (*kindOk)(const TPropInfo&))
{
    const TPropInfo* p = GetPropInfo(object, name);
    if (!p) throw EPropertyError(L"Property " + name + L" does not exist");
    if (!kindOk(*p)) throw EPropertyError(L"Property " + name + L" is of another kind");
    return *p;
}

bool IsOrd(const TPropInfo& p) { return p.IsOrdinal(); }
bool IsStr(const TPropInfo& p) { return p.Kind == TTypeKind::tkString; }
bool IsObj(const TPropInfo& p) { return p.Kind == TTypeKind::tkClass; }
bool IsMethod(const TPropInfo& p) { return p.Kind == TTypeKind::tkMethod; }
bool IsEnum(const TPropInfo& p) { return p.Kind == TTypeKind::tkEnumeration; }
bool IsSet(const TPropInfo& p) { return p.Kind == TTypeKind::tkSet; }

EPropertyError ReadOnly(const String& name) { return EPropertyError(L"Property " + name + L" is read-only"); }

String TrimBlanks(const String& s)
{
    size_t b = s.find_first_not_of(L" \t");
    if (b == String::npos) return String();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}
}  // namespace

void RegisterProperty(const TClassInfo* cls, TPropInfo info)
{
    auto& list = Registry()[cls];
    for (auto& p : list)
        if (SameName(p.Name, info.Name)) {
            p = std::move(info);
            return;
        }
    list.push_back(std::move(info));
}

const TPropInfo* GetPropInfo(const TObject* object, const String& name)
{
    if (!object) return nullptr;
    EnsureBuiltins();
    auto& reg = Registry();
    for (const TClassInfo* c = object->ClassInfo(); c; c = c->parent) {
        auto it = reg.find(c);
        if (it == reg.end()) continue;
        for (const auto& p : it->second)
            if (SameName(p.Name, name)) return &p;
    }
    return nullptr;
}

bool IsPublishedProp(const TObject* object, const String& name) { return GetPropInfo(object, name) != nullptr; }

std::vector<const TPropInfo*> GetPropList(const TObject* object)
{
    std::vector<const TPropInfo*> out;
    if (!object) return out;
    EnsureBuiltins();
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = object->ClassInfo(); c; c = c->parent) chain.push_back(c);
    auto& reg = Registry();
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        auto it = reg.find(*c);
        if (it == reg.end()) continue;
        for (const auto& p : it->second) {
            // A derived class's registration of the same name hides the ancestor's.
            std::erase_if(out, [&](const TPropInfo* q) { return SameName(q->Name, p.Name); });
            out.push_back(&p);
        }
    }
    return out;
}

int64_t GetOrdProp(TObject* object, const String& name) { return Need(object, name, IsOrd).GetOrd(object); }

void SetOrdProp(TObject* object, const String& name, int64_t value)
{
    const TPropInfo& p = Need(object, name, IsOrd);
    if (!p.SetOrd) throw ReadOnly(name);
    p.SetOrd(object, value);
}

String GetStrProp(TObject* object, const String& name) { return Need(object, name, IsStr).GetStr(object); }

void SetStrProp(TObject* object, const String& name, const String& value)
{
    const TPropInfo& p = Need(object, name, IsStr);
    if (!p.SetStr) throw ReadOnly(name);
    p.SetStr(object, value);
}

TObject* GetObjectProp(TObject* object, const String& name) { return Need(object, name, IsObj).GetObj(object); }

void SetObjectProp(TObject* object, const String& name, TObject* value)
{
    const TPropInfo& p = Need(object, name, IsObj);
    if (!p.SetObj) throw ReadOnly(name);
    p.SetObj(object, value);
}

std::any GetMethodProp(TObject* object, const String& name) { return Need(object, name, IsMethod).GetMethod(object); }

void SetMethodProp(TObject* object, const String& name, const std::any& value)
{
    const TPropInfo& p = Need(object, name, IsMethod);
    if (!p.SetMethod) throw ReadOnly(name);
    p.SetMethod(object, value);
}

int GetEnumValue(const TPropInfo& info, const String& name)
{
    for (size_t i = 0; i < info.EnumNames.size(); ++i)
        if (SameName(info.EnumNames[i], name)) return int(i);
    return -1;
}

String GetEnumProp(TObject* object, const String& name)
{
    const TPropInfo& p = Need(object, name, IsEnum);
    int64_t v = p.GetOrd(object);
    if (v < 0 || v >= int64_t(p.EnumNames.size())) return IntToStr(v);
    return p.EnumNames[size_t(v)];
}

void SetEnumProp(TObject* object, const String& name, const String& value)
{
    const TPropInfo& p = Need(object, name, IsEnum);
    int v = GetEnumValue(p, TrimBlanks(value));
    if (v < 0) throw EPropertyConvertError(L"Invalid enumeration value " + value + L" for " + name);
    if (!p.SetOrd) throw ReadOnly(name);
    p.SetOrd(object, v);
}

String SetToString(const TPropInfo& info, int64_t value)
{
    String out;
    for (size_t i = 0; i < info.EnumNames.size() && i < 64; ++i)
        if (value & (int64_t(1) << i)) {
            if (!out.empty()) out += L',';
            out += info.EnumNames[i];
        }
    return out;
}

int64_t StringToSet(const TPropInfo& info, const String& text)
{
    String t = TrimBlanks(text);
    if (!t.empty() && t.front() == L'[') t.erase(0, 1);
    if (!t.empty() && t.back() == L']') t.pop_back();
    int64_t value = 0;
    size_t start = 0;
    while (start <= t.size()) {
        size_t comma = t.find(L',', start);
        if (comma == String::npos) comma = t.size();
        String element = TrimBlanks(t.substr(start, comma - start));
        if (!element.empty()) {
            int v = GetEnumValue(info, element);
            if (v < 0 || v >= 64) throw EPropertyConvertError(L"Invalid set element " + element + L" for " + info.Name);
            value |= int64_t(1) << v;
        }
        start = comma + 1;
    }
    return value;
}

String GetSetProp(TObject* object, const String& name)
{
    const TPropInfo& p = Need(object, name, IsSet);
    return SetToString(p, p.GetOrd(object));
}

void SetSetProp(TObject* object, const String& name, const String& value)
{
    const TPropInfo& p = Need(object, name, IsSet);
    int64_t v = StringToSet(p, value);
    if (!p.SetOrd) throw ReadOnly(name);
    p.SetOrd(object, v);
}

// ---------------------------------------------------------------- the class library's own classes

namespace {
template <class C, class V>
TPropInfo EnumProperty(const String& name, V (C::*get)() const, void (C::*set)(V), std::vector<String> names)
{
    return OrdProperty<C, V>(name, get, set, TTypeKind::tkEnumeration, std::move(names));
}

template <class C>
TPropInfo SetProperty(const String& name, unsigned (C::*get)() const, void (C::*set)(unsigned),
                      std::vector<String> names)
{
    return OrdProperty<C, unsigned>(name, get, set, TTypeKind::tkSet, std::move(names));
}

const std::vector<String> alignNames{L"alNone", L"alTop", L"alBottom", L"alLeft", L"alRight", L"alClient"};
const std::vector<String> alignmentNames{L"taLeftJustify", L"taRightJustify", L"taCenter"};
const std::vector<String> anchorNames{L"akLeft", L"akTop", L"akRight", L"akBottom"};

void RegisterClassLibProperties()
{
    const TClassInfo* comp = TComponent::StaticClassInfo();
    RegisterProperty(comp, StrProperty<TComponent, const String&>(L"Name", &TComponent::Name, &TComponent::SetName));
    RegisterProperty(comp, OrdProperty<TComponent, long>(L"Tag", &TComponent::Tag, &TComponent::SetTag));

    const TClassInfo* font = TFont::StaticClassInfo();
    RegisterProperty(font, StrProperty<TFont, const String&>(L"Name", &TFont::Name, &TFont::SetName));
    RegisterProperty(font, OrdProperty<TFont, int>(L"Height", &TFont::Height, &TFont::SetHeight));
    RegisterProperty(font, OrdProperty<TFont, int>(L"Size", &TFont::Size, &TFont::SetSize));
    RegisterProperty(font, OrdProperty<TFont, TColor>(L"Color", &TFont::Color, &TFont::SetColor));
    RegisterProperty(font, SetProperty<TFont>(L"Style", &TFont::Style, &TFont::SetStyle,
                                              {L"fsBold", L"fsItalic", L"fsUnderline", L"fsStrikeOut"}));

    const TClassInfo* ctl = TControl::StaticClassInfo();
    RegisterProperty(ctl, OrdProperty<TControl, int>(L"Left", &TControl::Left, &TControl::SetLeft));
    RegisterProperty(ctl, OrdProperty<TControl, int>(L"Top", &TControl::Top, &TControl::SetTop));
    RegisterProperty(ctl, OrdProperty<TControl, int>(L"Width", &TControl::Width, &TControl::SetWidth));
    RegisterProperty(ctl, OrdProperty<TControl, int>(L"Height", &TControl::Height, &TControl::SetHeight));
    RegisterProperty(ctl, BoolProperty<TControl>(L"Visible", &TControl::Visible, &TControl::SetVisible));
    RegisterProperty(ctl, BoolProperty<TControl>(L"Enabled", &TControl::Enabled, &TControl::SetEnabled));
    RegisterProperty(ctl, OrdProperty<TControl, TColor>(L"Color", &TControl::Color, &TControl::SetColor));
    RegisterProperty(ctl, BoolProperty<TControl>(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor));
    RegisterProperty(ctl, BoolProperty<TControl>(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont));
    RegisterProperty(ctl, StrProperty<TControl, String>(L"Caption", &TControl::Caption, &TControl::SetCaption));
    RegisterProperty(ctl, StrProperty<TControl, String>(L"Text", &TControl::Text, &TControl::SetText));
    RegisterProperty(ctl, OrdProperty<TControl, TCursor>(L"Cursor", &TControl::Cursor, &TControl::SetCursor));
    RegisterProperty(ctl, EnumProperty<TControl, TAlign>(L"Align", &TControl::Align, &TControl::SetAlign, alignNames));
    RegisterProperty(ctl, SetProperty<TControl>(L"Anchors", &TControl::Anchors, &TControl::SetAnchors, anchorNames));
    TPropInfo fontProp;
    fontProp.Name = L"Font";
    fontProp.Kind = TTypeKind::tkClass;
    fontProp.GetObj = [](TObject* o) -> TObject* { return &static_cast<TControl*>(o)->Font(); };
    fontProp.SetObj = [](TObject* o, TObject* v) {
        if (auto* f = dynamic_cast<TFont*>(v)) static_cast<TControl*>(o)->Font().Assign(f);
    };
    RegisterProperty(ctl, fontProp);

    const TClassInfo* win = TWinControl::StaticClassInfo();
    RegisterProperty(win, BoolProperty<TWinControl>(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop));
    RegisterProperty(win, BoolProperty<TWinControl>(L"DoubleBuffered", &TWinControl::DoubleBuffered,
                                                    &TWinControl::SetDoubleBuffered));

    const TClassInfo* form = TCustomForm::StaticClassInfo();
    RegisterProperty(form, EnumProperty<TCustomForm, TFormBorderStyle>(
                               L"BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
                               {L"bsNone", L"bsSingle", L"bsSizeable", L"bsDialog", L"bsToolWindow", L"bsSizeToolWin"}));
    RegisterProperty(form, SetProperty<TCustomForm>(L"BorderIcons", &TCustomForm::BorderIcons,
                                                    &TCustomForm::SetBorderIcons,
                                                    {L"biSystemMenu", L"biMinimize", L"biMaximize", L"biHelp"}));
    RegisterProperty(form, EnumProperty<TCustomForm, TPosition>(
                               L"Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                               {L"poDesigned", L"poDefault", L"poScreenCenter", L"poDesktopCenter",
                                L"poMainFormCenter"}));

    const TClassInfo* label = TCustomLabel::StaticClassInfo();
    RegisterProperty(label, EnumProperty<TCustomLabel, TAlignment>(L"Alignment", &TCustomLabel::Alignment,
                                                                    &TCustomLabel::SetAlignment, alignmentNames));
    RegisterProperty(label, EnumProperty<TCustomLabel, TTextLayout>(L"Layout", &TCustomLabel::Layout,
                                                                     &TCustomLabel::SetLayout,
                                                                     {L"tlTop", L"tlCenter", L"tlBottom"}));
    RegisterProperty(label, BoolProperty<TCustomLabel>(L"Transparent", &TCustomLabel::Transparent,
                                                       &TCustomLabel::SetTransparent));
    RegisterProperty(label, BoolProperty<TCustomLabel>(L"AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize));
    RegisterProperty(label, BoolProperty<TCustomLabel>(L"WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap));

    const TClassInfo* edit = TCustomEdit::StaticClassInfo();
    RegisterProperty(edit, EnumProperty<TCustomEdit, TBorderStyle>(L"BorderStyle", &TCustomEdit::BorderStyle,
                                                                    &TCustomEdit::SetBorderStyle,
                                                                    {L"bsNone", L"bsSingle"}));
    RegisterProperty(edit, BoolProperty<TCustomEdit>(L"ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly));
    RegisterProperty(edit, OrdProperty<TCustomEdit, int>(L"MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength));

    const std::vector<String> bevelNames{L"bvNone", L"bvLowered", L"bvRaised"};
    const TClassInfo* panel = TCustomPanel::StaticClassInfo();
    RegisterProperty(panel, EnumProperty<TCustomPanel, TBevelCut>(L"BevelOuter", &TCustomPanel::BevelOuter,
                                                                   &TCustomPanel::SetBevelOuter, bevelNames));
    RegisterProperty(panel, EnumProperty<TCustomPanel, TBevelCut>(L"BevelInner", &TCustomPanel::BevelInner,
                                                                   &TCustomPanel::SetBevelInner, bevelNames));
    RegisterProperty(panel, OrdProperty<TCustomPanel, int>(L"BevelWidth", &TCustomPanel::BevelWidth,
                                                           &TCustomPanel::SetBevelWidth));
    RegisterProperty(panel, EnumProperty<TCustomPanel, TAlignment>(L"Alignment", &TCustomPanel::Alignment,
                                                                    &TCustomPanel::SetAlignment, alignmentNames));
    RegisterProperty(panel, BoolProperty<TCustomPanel>(L"ShowCaption", &TCustomPanel::ShowCaption,
                                                       &TCustomPanel::SetShowCaption));

    const TClassInfo* image = TImage::StaticClassInfo();
    RegisterProperty(image, BoolProperty<TImage>(L"Stretch", &TImage::Stretch, &TImage::SetStretch));
    RegisterProperty(image, BoolProperty<TImage>(L"Center", &TImage::Center, &TImage::SetCenter));
    RegisterProperty(image, BoolProperty<TImage>(L"Proportional", &TImage::Proportional, &TImage::SetProportional));
    RegisterProperty(image, BoolProperty<TImage>(L"Transparent", &TImage::Transparent, &TImage::SetTransparent));
    RegisterProperty(image, BoolProperty<TImage>(L"AutoSize", &TImage::AutoSize, &TImage::SetAutoSize));
}
}  // namespace
