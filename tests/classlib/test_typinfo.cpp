// The published-property registry: lookups through the class chain, kinds,
// read-only properties, sets in their text form and derived registrations.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

namespace {
class TGauge : public TPersistent {
    DECLARE_CLASS(TGauge, TPersistent)
public:
    int Value() const { return value_; }
    void SetValue(int v) { value_ = v; }
    int Limit() const { return 100; }
    String Title() const { return title_; }
    void SetTitle(const String& t) { title_ = t; }

private:
    int value_ = 0;
    String title_;
};

class TBigGauge : public TGauge {
    DECLARE_CLASS(TBigGauge, TGauge)
public:
    int Limit() const { return 1000; }
};

void RegisterGauges()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperty(TGauge::StaticClassInfo(), OrdProperty<TGauge, int>(L"Value", &TGauge::Value, &TGauge::SetValue));
    RegisterProperty(TGauge::StaticClassInfo(), OrdProperty<TGauge, int>(L"Limit", &TGauge::Limit, nullptr));
    RegisterProperty(TGauge::StaticClassInfo(), StrProperty<TGauge, String>(L"Title", &TGauge::Title, &TGauge::SetTitle));
    // The derived class publishes its own Limit, hiding the ancestor's.
    RegisterProperty(TBigGauge::StaticClassInfo(), OrdProperty<TBigGauge, int>(L"Limit", &TBigGauge::Limit, nullptr));
}
}  // namespace

TEST(TypInfo, LookupsKindsAndReadOnly)
{
    RegisterGauges();
    TGauge g;
    TBigGauge big;
    EXPECT_EQ(GetOrdProp(&g, L"Limit"), 100);
    EXPECT_EQ(GetOrdProp(&big, L"limit"), 1000);
    SetOrdProp(&big, L"Value", 42);   // inherited registration
    EXPECT_EQ(big.Value(), 42);
    SetStrProp(&g, L"Title", L"Шкала");
    EXPECT_EQ(g.Title(), L"Шкала");

    EXPECT_THROW(SetOrdProp(&g, L"Limit", 5), EPropertyError);      // read-only
    EXPECT_THROW(GetStrProp(&g, L"Value"), EPropertyError);         // another kind
    EXPECT_THROW(GetOrdProp(&g, L"Nothing"), EPropertyError);
    EXPECT_EQ(GetPropInfo(nullptr, L"Value"), nullptr);

    std::vector<const TPropInfo*> list = GetPropList(&big);
    ASSERT_EQ(list.size(), 3u);   // Value, Title, and the derived Limit once
    int limits = 0;
    for (const TPropInfo* p : list)
        if (p->Name == L"Limit") {
            ++limits;
            EXPECT_EQ(p->GetOrd(&big), 1000);
        }
    EXPECT_EQ(limits, 1);
}

TEST(TypInfo, SetsAndEnumerationsOfTheClassLibrary)
{
    TForm* form = new TForm(Application);
    const TPropInfo* icons = GetPropInfo(form, L"BorderIcons");
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->Kind, TTypeKind::tkSet);
    EXPECT_EQ(SetToString(*icons, biSystemMenu | biMaximize), L"biSystemMenu,biMaximize");
    EXPECT_EQ(StringToSet(*icons, L"[ biHelp , biMinimize ]"), int64_t(biHelp | biMinimize));
    EXPECT_EQ(StringToSet(*icons, L"[]"), 0);
    EXPECT_THROW(StringToSet(*icons, L"biClose"), EPropertyConvertError);
    SetSetProp(form, L"BorderIcons", L"biSystemMenu");
    EXPECT_EQ(form->BorderIcons(), TBorderIcons(biSystemMenu));

    const TPropInfo* pos = GetPropInfo(form, L"Position");
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(GetEnumValue(*pos, L"poscreencenter"), 2);
    EXPECT_EQ(GetEnumValue(*pos, L"poNowhere"), -1);
    SetEnumProp(form, L"Position", L"poScreenCenter");
    EXPECT_EQ(form->Position(), TPosition::poScreenCenter);
    EXPECT_EQ(GetEnumProp(form, L"Visible"), L"False");
    SetStrProp(form, L"Caption", L"Окно");
    EXPECT_EQ(form->Caption(), L"Окно");
    EXPECT_EQ(GetStrProp(form, L"Name"), form->Name());
    Free(form);
}

// Events by name: read as the event's own delegate, compared, replaced and
// cleared; a delegate of another signature is refused.
TEST(TypInfo, EventsByName)
{
    auto* form = new TForm(nullptr);
    auto* button = new TPanel(form);
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterProperty(TPanel::StaticClassInfo(), MethodProperty<TControl, TNotifyEvent>(L"OnClick", &TControl::OnClick));
    }
    EXPECT_FALSE(GetMethodProp(button, L"OnClick").has_value());
    int clicks = 0;
    TNotifyEvent handler = [&](TObject*) { ++clicks; };
    SetMethodProp(button, L"OnClick", std::any(handler));
    std::any value = GetMethodProp(button, L"OnClick");
    ASSERT_NE(std::any_cast<TNotifyEvent>(&value), nullptr);
    EXPECT_TRUE(std::any_cast<TNotifyEvent>(value) == handler);
    button->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(SetMethodProp(button, L"OnClick", std::any(42)), EPropertyConvertError);
    EXPECT_THROW(GetMethodProp(button, L"Caption"), EPropertyError);
    SetMethodProp(button, L"OnClick", std::any());
    EXPECT_FALSE(bool(button->OnClick));
    delete form;
}
