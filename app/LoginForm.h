// The teacher login window.
#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TForm4 : public TForm {
    DECLARE_CLASS(TForm4, TForm)
public:
    explicit TForm4(TComponent* owner);

    TEdit* edt1;    // user name
    TEdit* edt2;    // password
    TPanel* btn2;   // "Назад"
    TPanel* btn1;   // "Войти"

    void btn1Click(TObject* sender);
    void AllRight();
    void edt2KeyUp(TObject* sender, WORD& key, TShiftState shift);
    void btn2Click(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};

// True when the pair is one of the built-in teacher accounts (exact compare).
bool IsTeacherAccount(const String& user, const String& password);
