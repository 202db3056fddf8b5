// A form of one's own with a skin: one manager for the program, one provider
// per form. The provider skins the form's frame and title and gives every
// control on it the wrapper of its kind; nothing else is needed.
#include "tests/skinapp/Example.h"

#include "classlib/Buttons.h"
#include "classlib/StdCtrls.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/SkinProvider.h"

TForm* CreateExampleForm(TComponent* owner)
{
    auto* form = new TForm(owner);
    form->SetCaption(L"A form of one's own");
    form->SetBounds(120, 120, 360, 200);

    // One manager per program; the first one made is the default one, which
    // every provider uses.
    if (!DefaultManager) {
        auto* skins = new TsSkinManager(form);
        skins->SetSkinDirectory(L"Skins");   // relative: beside the program
        skins->SetSkinName(L"Slate");        // the folder Skins\Slate, or Skins\Slate.vmz
    }

    auto* name = new TEdit(form);
    name->SetParent(form);
    name->SetBounds(16, 16, 200, 22);
    name->SetText(L"Your name");
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(16, 52, 90, 26);
    ok->SetCaption(L"OK");

    TsSkinProvider::Create(form);   // the form and its controls take the skin
    return form;
}
