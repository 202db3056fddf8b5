#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TForm5 : public TForm {
    DECLARE_CLASS(TForm5, TForm)
public:
    explicit TForm5(TComponent* owner);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};
