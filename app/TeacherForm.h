// The teacher window: an editor for tests and course files with a template
// generator, the creation of subject folders, the viewer of the reports the
// tests window stores, and the help page.
#pragma once
#include <memory>

#include "classlib/Clipbrd.h"
#include "classlib/CommonDialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/PageControl.h"
#include "classlib/Spin.h"
#include "classlib/StdCtrls.h"
#include "classlib/TreeView.h"
#include "classlib/WebBrowser.h"

// The text of a test template with n questions: "---", then per question
// n + ")", "A)" ... "E)" and "---"; every line ends with CR LF.
String TestTemplate(int questions);

// Identifiers of the window's hot keys (all with Ctrl).
enum TTeacherHotKey { hkSelectAll = 0, hkCopy = 1, hkPaste = 2, hkNew = 3, hkR = 4 };

class TForm5 : public TForm {
    DECLARE_CLASS(TForm5, TForm)
public:
    explicit TForm5(TComponent* owner);
    ~TForm5() override;

    TPageControl* pgc1;
    TTabSheet* ts1;   // "Редактор"
    TTabSheet* ts2;   // "Проверка отчетов"
    TTabSheet* ts3;   // "Справка"
    TPanel* Button1;  // "Выход"

    TMemo* mmo1;
    TPanel* btn3;      // "Создать тест"
    TPanel* btn13;     // "Предмет"
    TPanel* openfile;  // "Открыть файл"
    TPanel* btn1;      // "Открыть док"
    TPanel* btn2;      // "Сохранить док"
    TPanel* pnl1;
    TLabel* lbl1;
    TSpinEdit* se1;
    TPanel* btn4;      // "Создать" (template)
    TPanel* pnl2;
    TLabel* lbl2;
    TEdit* edt1;
    TPanel* btn5;      // "Создать" (subject)

    TTreeView* tv1;
    TPanel* line1;     // dividing line
    TMemo* mmo2;

    TWebBrowser* wb1;

    TOpenDialog* dlgOpen1;
    TSaveDialog* dlgSave1;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormActivate(TObject* sender);
    void FormDeactivate(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btn3Click(TObject* sender);
    void btn4Click(TObject* sender);
    void se1KeyUp(TObject* sender, WORD& key, TShiftState shift);
    void btn13Click(TObject* sender);
    void btn5Click(TObject* sender);
    void edt1KeyUp(TObject* sender, WORD& key, TShiftState shift);
    void openfileClick(TObject* sender);
    void btn1Click(TObject* sender);
    void btn2Click(TObject* sender);
    void tv1Click(TObject* sender);
    void ts3Show(TObject* sender);
    void Button1Click(TObject* sender);
    void WMHotkey(TMessage& message);

    void Dispatch(TMessage& message) override;

    // The program folder taken at creation, with its trailing backslash.
    const String& ProgramPath() const { return path_; }
    // The clipboard object of the current showing (nullptr while hidden).
    TClipboard* ClipboardObject() const { return clipboard_.get(); }
    bool HotKeysRegistered() const { return hotKeys_; }

private:
    void RegisterHotKeys();
    void UnregisterHotKeys();
    void LoadReportTree();
    String path_;
    std::unique_ptr<TClipboard> clipboard_;
    bool hotKeys_ = false;
};
