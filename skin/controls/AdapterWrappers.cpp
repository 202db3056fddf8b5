#include "skin/controls/AdapterWrappers.h"

#include <array>

#include "classlib/StdCtrls.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/controls/ComboWnd.h"
#include "skin/controls/ContainerWnd.h"
#include "skin/controls/EditWnd.h"
#include "skin/controls/GridWnd.h"
#include "skin/controls/ListViewWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/controls/StaticWnd.h"
#include "skin/controls/TabWnd.h"
#include "skin/controls/TreeWnd.h"
#include "skin/graphics/ClassNameTables.h"

namespace {

std::array<TkvAdapterWrapperFactory, ThirdPartyListCount>& Factories()
{
    static std::array<TkvAdapterWrapperFactory, ThirdPartyListCount> f{};
    return f;
}

template <class T>
TkvMainWnd* Make(TControl*, HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                 bool repaint)
{
    return CreateWrapper<T>(handle, data, manager, section, repaint);
}

// A scroll-bar control keeps its bar out of the tab order while skinned: the
// skinned bar takes no focus of its own.
TkvMainWnd* MakeScrollBar(TControl* control, HWND handle, TsCommonData* data, TsSkinManager* manager,
                          const String& section, bool repaint)
{
    if (auto* bar = dynamic_cast<TScrollBar*>(control))
        bar->SetTabStop(false);
    return CreateWrapper<TkvSBWnd>(handle, data, manager, section, repaint);
}

}  // namespace

void RegisterAdapterWrapper(int listIndex, TkvAdapterWrapperFactory factory)
{
    if (listIndex >= 0 && listIndex < ThirdPartyListCount)
        Factories()[size_t(listIndex)] = factory;
}

TkvAdapterWrapperFactory AdapterWrapperFactory(int listIndex)
{
    if (listIndex < 0 || listIndex >= ThirdPartyListCount)
        return nullptr;
    return Factories()[size_t(listIndex)];
}

void RegisterStandardAdapterWrappers()
{
    RegisterAdapterWrapper(tpEdit, &Make<TkvEditWnd>);
    RegisterAdapterWrapper(tpScrollControl, &Make<TkvScrollBoxWnd>);
    RegisterAdapterWrapper(tpButton, &Make<TkvBtnWnd>);
    RegisterAdapterWrapper(tpBitBtn, &Make<TkvBitBtnWnd>);
    RegisterAdapterWrapper(tpCheckBox, &Make<TkvCheckBoxWnd>);
    RegisterAdapterWrapper(tpGroupBox, &Make<TkvGroupBoxWnd>);
    RegisterAdapterWrapper(tpPanel, &Make<TkvPanelWnd>);
    RegisterAdapterWrapper(tpPageControl, &Make<TkvPageControlWnd>);
    RegisterAdapterWrapper(tpTabControl, &Make<TkvTabControlWnd>);
    RegisterAdapterWrapper(tpToolBar, &Make<TkvToolBarVCLWnd>);
    RegisterAdapterWrapper(tpStatusBar, &Make<TkvStatusBarWnd>);
    RegisterAdapterWrapper(tpUpDown, &Make<TkvSpinWnd>);
    RegisterAdapterWrapper(tpScrollBar, &MakeScrollBar);
    RegisterAdapterWrapper(tpStaticText, &Make<TkvStaticTextWnd>);
    RegisterAdapterWrapper(tpComboBox, &Make<TkvComboBoxWnd>);
    RegisterAdapterWrapper(tpGrid, &Make<TkvGridWnd>);
    RegisterAdapterWrapper(tpListView, &Make<TkvListViewWnd>);
    RegisterAdapterWrapper(tpTreeView, &Make<TkvTreeViewWnd>);
    RegisterAdapterWrapper(tpWWEdit, &Make<TkvWWComboBoxWnd>);
    RegisterAdapterWrapper(tpGridEh, &Make<TkvGridEhWnd>);
    RegisterAdapterWrapper(tpVirtualTree, &Make<TkvVirtualTreeViewWnd>);
}
