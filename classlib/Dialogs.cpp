#include "classlib/Dialogs.h"

#include "classlib/Forms.h"

void ShowMessage(const String& text)
{
    if (Application)
        Application->MessageBox(text, Application->Title(), MB_OK);
    else
        MessageBoxW(nullptr, text.c_str(), L"", MB_OK);
}
