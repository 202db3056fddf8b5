// Small stand-ins for controls of other component packages that the wrappers
// reach only by name: a grid, an extended grid and a virtual tree. Each is a
// real window of the class library whose published properties (nested
// objects, sets and events included) are declared at run time from a list, so
// a test can make a control with exactly the names it wants, or with half of
// them. The wrappers never see these types: only ClassName() and the
// property registry.
#pragma once
#include <windows.h>

#include <algorithm>
#include <any>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <typeindex>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/TypInfo.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/TreeWnd.h"
#include "skin/graphics/Utils.h"
#include "tests/skin/SkinRuntimeFixture.h"

namespace standin {

class TBagObject;

// The values behind the published names of one object.
struct TBag {
    std::map<String, int64_t> Ords;
    std::map<String, String> Strs;
    std::map<String, std::unique_ptr<TPersistent>> Objs;
    std::map<String, std::any> Methods;
};
struct IBagHolder {
    virtual ~IBagHolder() = default;
    virtual TBag& Bag() = 0;
};
inline TBag& BagOf(TObject* o) { return dynamic_cast<IBagHolder*>(o)->Bag(); }

// What a stand-in class publishes.
struct TSpec {
    const wchar_t* ClassName;
    std::vector<std::pair<String, int64_t>> Ords;                       // name, initial value
    std::vector<std::tuple<String, std::vector<String>, int64_t>> Sets;  // name, element names, initial mask
    std::vector<String> Strs;
    std::vector<std::pair<String, const TSpec*>> Objs;   // nil spec: a TFont
    std::vector<std::pair<String, std::type_index>> Methods;
};

// One class information record per declaration list (never freed: the registry keeps pointers to it).
inline const TClassInfo* InfoFor(const TSpec& spec, const TClassInfo* parent)
{
    static std::map<const TSpec*, std::unique_ptr<TClassInfo>> infos;
    auto& slot = infos[&spec];
    if (!slot) {
        slot = std::make_unique<TClassInfo>(TClassInfo{spec.ClassName, parent});
        for (auto& [name, init] : spec.Ords) {
            TPropInfo p;
            p.Name = name;
            p.GetOrd = [n = name](TObject* o) { return BagOf(o).Ords[n]; };
            p.SetOrd = [n = name](TObject* o, int64_t v) { BagOf(o).Ords[n] = v; };
            RegisterProperty(slot.get(), p);
        }
        for (auto& [name, names, init] : spec.Sets) {
            TPropInfo p;
            p.Name = name;
            p.Kind = TTypeKind::tkSet;
            p.EnumNames = names;
            p.GetOrd = [n = name](TObject* o) { return BagOf(o).Ords[n]; };
            p.SetOrd = [n = name](TObject* o, int64_t v) { BagOf(o).Ords[n] = v; };
            RegisterProperty(slot.get(), p);
        }
        for (auto& name : spec.Strs) {
            TPropInfo p;
            p.Name = name;
            p.Kind = TTypeKind::tkString;
            p.GetStr = [n = name](TObject* o) { return BagOf(o).Strs[n]; };
            p.SetStr = [n = name](TObject* o, const String& v) { BagOf(o).Strs[n] = v; };
            RegisterProperty(slot.get(), p);
        }
        for (auto& [name, sub] : spec.Objs) {
            TPropInfo p;
            p.Name = name;
            p.Kind = TTypeKind::tkClass;
            p.GetObj = [n = name](TObject* o) -> TObject* { return BagOf(o).Objs[n].get(); };
            RegisterProperty(slot.get(), p);
        }
        for (auto& [name, type] : spec.Methods) {
            TPropInfo p;
            p.Name = name;
            p.Kind = TTypeKind::tkMethod;
            p.GetMethod = [n = name](TObject* o) { return BagOf(o).Methods[n]; };
            p.SetMethod = [n = name, t = type](TObject* o, const std::any& v) {
                if (v.has_value() && std::type_index(v.type()) != t)
                    throw EPropertyConvertError(L"Invalid method value for " + n);
                BagOf(o).Methods[n] = v;
            };
            RegisterProperty(slot.get(), p);
        }
    }
    return slot.get();
}

void FillBag(TBag& bag, const TSpec& spec);

// A nested object of a stand-in (ControlLook, Header, a column ...).
class TBagObject : public TPersistent, public IBagHolder {
public:
    explicit TBagObject(const TSpec& spec) : info_(InfoFor(spec, TPersistent::StaticClassInfo())) { FillBag(bag_, spec); }
    const TClassInfo* ClassInfo() const override { return info_; }
    TBag& Bag() override { return bag_; }

private:
    const TClassInfo* info_;
    TBag bag_;
};

inline void FillBag(TBag& bag, const TSpec& spec)
{
    for (auto& [name, init] : spec.Ords) bag.Ords[name] = init;
    for (auto& [name, names, init] : spec.Sets) bag.Ords[name] = init;
    for (auto& [name, sub] : spec.Objs) {
        if (sub)
            bag.Objs[name] = std::make_unique<TBagObject>(*sub);
        else
            bag.Objs[name] = std::make_unique<TFont>();
    }
}

// A stand-in control: a window with both scroll bars that paints stripes in
// its "Color" and, for a tree with a visible "Header", a header strip drawn
// through its OnAdvancedHeaderDraw event, one column at a time, as the
// package it stands for would.
class TStandInControl : public TCustomControl, public IBagHolder {
public:
    TStandInControl(TComponent* owner, const TSpec& spec)
        : TCustomControl(owner), info_(InfoFor(spec, TCustomControl::StaticClassInfo()))
    {
        FillBag(bag_, spec);
        SetColor(clWindow);
    }
    const TClassInfo* ClassInfo() const override { return info_; }
    TBag& Bag() override { return bag_; }
    // The header's columns (objects with Text and Options), left to right.
    std::vector<std::unique_ptr<TBagObject>> Columns;
    int ColumnWidth = 90;

protected:
    void CreateParams(TCreateParams& p) override
    {
        TCustomControl::CreateParams(p);
        p.Style |= WS_HSCROLL | WS_VSCROLL;
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void HandleCreated() override
    {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 100, 20, 0, 0};
        SetScrollInfo(handle_, SB_VERT, &si, FALSE);
        SetScrollInfo(handle_, SB_HORZ, &si, FALSE);
    }
    void Paint() override;

private:
    const TClassInfo* info_;
    TBag bag_;
};

// A paint record laid out as HeaderRecord says, for the stand-in tree and the tests.
struct THeaderRecordBytes {
    std::vector<unsigned char> Bytes = std::vector<unsigned char>(HeaderRecord::Size + 8, 0);
    template <class T>
    void Put(size_t offset, const T& v) { std::memcpy(Bytes.data() + offset, &v, sizeof v); }
    void PutRect(size_t offset, const RECT& r)
    {
        int32_t v[4] = {r.left, r.top, r.right, r.bottom};
        std::memcpy(Bytes.data() + offset, v, sizeof v);
    }
};

inline void TStandInControl::Paint()
{
    RECT r = ClientRect();
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(r);
    TObject* header = GetObjectPropByName(this, L"Header");
    int top = 0;
    if (header && SetPropContains(header, L"Options", L"hoVisible")) {
        top = int(GetOrdPropByName(header, L"Height"));
        auto it = bag_.Methods.find(L"OnAdvancedHeaderDraw");
        const auto* draw = it == bag_.Methods.end() ? nullptr : std::any_cast<TkvHeaderDrawEvent>(&it->second);
        for (size_t i = 0; i <= Columns.size(); ++i) {
            bool strip = i == Columns.size();
            RECT cell{int(i) * ColumnWidth, 0, strip ? r.right : int(i + 1) * ColumnWidth, top};
            if (draw && *draw && SetPropContains(header, L"Options", L"hoOwnerDraw")) {
                THeaderRecordBytes rec;
                TCanvas* canvas = &Canvas();
                TObject* column = strip ? nullptr : Columns[i].get();
                rec.Put(HeaderRecord::Canvas, canvas);
                rec.Put(HeaderRecord::Column, column);
                rec.PutRect(HeaderRecord::PaintRect, cell);
                rec.PutRect(HeaderRecord::TextRect, RECT{cell.left + 4, cell.top, cell.right - 4, cell.bottom});
                rec.Put(HeaderRecord::SortShown, uint8_t(i == 0));
                rec.Put(HeaderRecord::SortGlyphX, int32_t(cell.right - 20));
                (*draw)(header, rec.Bytes.data(), rec.Bytes.size(), hpeBackground);
                (*draw)(header, rec.Bytes.data(), rec.Bytes.size(), hpeText | hpeSortGlyph);
            } else {
                Canvas().Brush().SetColor(TColor(GetOrdPropByName(header, L"Color")));
                Canvas().FillRect(cell);
                DrawEdge(Canvas().Handle(), &cell, EDGE_RAISED, BF_RECT);
            }
        }
    }
    // Rows in stripes of the text colours, so a changed colour is seen.
    TObject* vet = GetObjectPropByName(this, L"VETColors");
    for (int y = top + 2, i = 0; y < r.bottom; y += 18, ++i) {
        TColor c = vet ? TColor(GetOrdPropByName(vet, i % 2 ? L"FileTextColor" : L"FolderTextColor"))
                       : TColor(HasProperty(this, L"FixedColor") && i == 0 ? GetOrdPropByName(this, L"FixedColor")
                                                                            : Font().Color());
        RECT line{4, y + 6, std::min<int>(r.right - 4, 150), y + 10};
        Canvas().Brush().SetColor(c);
        Canvas().FillRect(line);
    }
}

}  // namespace standin

// The fixture of the wrapper tests over stand-ins and class-library controls:
// the sample skin, a shown form, and wrappers made with skin data of their
// own, all unhooked and freed after each test.
class StandInWrappers : public skintest::SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        manager = SampleManager();
        ASSERT_TRUE(manager->SkinData().Active);
        form = NewForm(520, 360);
        form->Show();
        Pump(0);
    }
    void TearDown() override
    {
        for (auto& [h, w] : wrappers) {
            TkvMainWnd* wr = GetWrapper(h);
            if (wr) UnhookWindow(h, true, false, wr);
        }
        for (TsCommonData* d : datas) delete d;
        SkinRuntime::TearDown();
    }
    template <class W>
    W* Wrap(TWinControl* c)
    {
        auto* data = new TsCommonData(c, true);
        datas.push_back(data);
        W* w = CreateWrapper<W>(c->Handle(), data, manager, L"", true);
        wrappers.push_back({c->Handle(), w});
        return w;
    }
    LRESULT Command(HWND h, unsigned cmd) { return SendSkinCommand(h, TsSkinCommand(cmd), LPARAM(manager)); }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;
    std::vector<std::pair<HWND, TkvMainWnd*>> wrappers;
    std::vector<TsCommonData*> datas;
};
