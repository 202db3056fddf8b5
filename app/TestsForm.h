// The tests window: set-up panel (name, group, subject, variant), the
// question text and list, the answer panels A to E, and the report, which is
// stored compressed in the subject's reports folder.
#pragma once
#include "app/TestRun.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ListControls.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/Image.h"

class TForm3 : public TForm {
    DECLARE_CLASS(TForm3, TForm)
public:
    explicit TForm3(TComponent* owner);

    TPanel* pnl1;
    TLabel* lbl1;
    TLabel* lbl2;
    TLabel* lbl3;
    TLabel* lblqw;
    TEdit* edt1;
    TEdit* edt2;
    TComboBox* cbb1;
    TComboBox* cbb2;
    TPanel* btn6;
    TPanel* Button1;
    TMemo* mmo1;
    TListBox* lst1;
    TPanel* pnl2;
    TPanel* btn1;
    TPanel* btn2;
    TPanel* btn3;
    TPanel* btn4;
    TPanel* btn5;
    TPanel* btn7;
    TMemo* mmo2;
    TMemo* mmo3;
    TPanel* btn8;
    TPanel* btn9;
    TsImage* img1;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void cbb1Select(TObject* sender);
    void btn6Click(TObject* sender);
    void lst1Click(TObject* sender);
    void btn1Click(TObject* sender);
    void btn7Click(TObject* sender);
    void btn8Click(TObject* sender);
    void btn9Click(TObject* sender);
    void Button1Click(TObject* sender);

    void LoadAllTests();
    void ReadAndLoadTest();
    void LoadInList();
    void NextQuest(int index);
    void SelectQuest();
    void WhoSelect(wchar_t letter);
    void ClickButton(wchar_t letter);
    void QuestEnd();
    void SaveReport(int number);
    void LayoutControls();

    // The run state and the four set-up values of the current test.
    const TestRunState& Run() const { return run_; }
    const String& Base() const { return base_; }
    const String& PersonName() const { return name_; }
    const String& Group() const { return group_; }
    const String& Subject() const { return subject_; }
    const String& Variant() const { return variant_; }
    // Where the last report was written (empty if it was not written).
    const String& LastReportFile() const { return lastReport_; }
    // The reports folder of the current subject, with its trailing backslash.
    String ReportsFolder() const;
    // Builds the report from the given date and time texts (the report
    // button uses the system's current date and time).
    void QuestEndAt(const String& date, const String& time);

private:
    void SetTestControlsEnabled(bool e);
    void BackToSetup();
    TestRunState run_;
    String base_, name_, group_, subject_, variant_, lastReport_;
};
