#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TForm2 : public TForm {
    DECLARE_CLASS(TForm2, TForm)
public:
    explicit TForm2(TComponent* owner);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};
