// The start window: course title, credits and the four panels that lead to
// the textbook, the tests, the teacher login and out of the program.
#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/Label.h"

class TForm1 : public TForm {
    DECLARE_CLASS(TForm1, TForm)
public:
    explicit TForm1(TComponent* owner);

    TImage* img1;
    TsLabel* lbl2;
    TsLabel* lbl1;
    TPanel* btn4;
    TPanel* btn6;
    TPanel* btn3;
    TPanel* Button1;
    TMemo* mmo1;

    void btn4Click(TObject* sender);
    void btn6Click(TObject* sender);
    void btn3Click(TObject* sender);
    void Button1Click(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormShow(TObject* sender);
};

// Shared look of the application's windows.
void FixWindowSize(TCustomForm* form, int clientWidth, int clientHeight);   // single border, no icons
void FillWorkArea(TCustomForm* form);                                       // fill the work area, lock the size
// A flat panel without bevel or caption, owned by and placed in parent.
TPanel* MakePlainPanel(TWinControl* parent, const String& name, int left, int top, int width, int height,
                       TColor color);
TPanel* MakeButtonPanel(TWinControl* parent, const String& name, const String& caption, int left, int top, int width,
                        int height, TColor color, const String& fontName, int fontPx, bool handCursor = true);
