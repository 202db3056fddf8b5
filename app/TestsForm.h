#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TForm3 : public TForm {
    DECLARE_CLASS(TForm3, TForm)
public:
    explicit TForm3(TComponent* owner);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};
