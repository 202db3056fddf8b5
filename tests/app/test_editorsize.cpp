// The teacher's editor and files far longer than any course file: a file up
// to the editor's limit opens and the window keeps answering; a longer one
// (a program file opened by mistake) is refused with an error and the editor
// keeps its text. How long a file at the limit takes to open is measured by
// bench/editor.
#include <gtest/gtest.h>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "support/GuiTest.h"
#include "support/TeacherWindow.h"

namespace {
constexpr size_t kLimit = 128 * 1024;

class EditorSize : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Source\\start.txt", "start");
        dir.WriteFile(L"Source\\help.html", "<p>help</p>");
        dir.MakeDir(L"Content\\Физика\\Тесты");
        ShowTeacherWindow(dir.Path());
    }
    void TearDown() override { FreeTeacherWindow(); }
    // Clicks the button with the open dialog answering fileName; returns the
    // error boxes.
    std::vector<String> Open(TControl* button, const String& fileName)
    {
        TOpenDialog::Runner = [fileName](TOpenDialog& d) {
            d.SetFileName(fileName);
            return true;
        };
        return RunAnsweringBoxes([&] { Click(button); });
    }
    TempDir dir;
};
}  // namespace

TEST_F(EditorSize, RawFilesUpToTheLimitOpenLongerOnesAreRefused)
{
    const String atLimit = dir.WriteFile(L"Content\\at-limit.bin", BinaryBytes(kLimit));
    const String over = dir.WriteFile(L"Content\\Talvera.exe", BinaryBytes(kLimit + 1));
    EXPECT_TRUE(Open(Form5->openfile, atLimit).empty());
    EXPECT_GT(GetWindowTextLengthW(Form5->mmo1->Handle()), int(kLimit / 2));   // the text is there
    DWORD_PTR r = 0;
    EXPECT_TRUE(SendMessageTimeoutW(Form5->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r));

    Form5->mmo1->SetText(L"тест");
    std::vector<String> boxes = Open(Form5->openfile, over);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(over), String::npos) << StringToUtf8(boxes[0]);
    EXPECT_NE(boxes[0].find(L"слишком велик"), String::npos) << StringToUtf8(boxes[0]);
    EXPECT_EQ(Form5->mmo1->Text(), L"тест");
}

TEST_F(EditorSize, DocumentsOverTheLimitAreRefusedToo)
{
    std::string text(kLimit + 1, 'a');
    for (size_t i = 80; i < text.size(); i += 81) text[i] = '\n';
    const String big = dir.Path() + L"Content\\big.txt";
    SaveDocumentFile(big, text);
    Form5->mmo1->SetText(L"тест");
    std::vector<String> boxes = Open(Form5->btn1, big);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"слишком велик"), String::npos) << StringToUtf8(boxes[0]);
    EXPECT_EQ(Form5->mmo1->Text(), L"тест");

    text.resize(kLimit);
    SaveDocumentFile(big, text);
    EXPECT_TRUE(Open(Form5->btn1, big).empty());
    EXPECT_GT(GetWindowTextLengthW(Form5->mmo1->Handle()), int(kLimit / 2));   // the text is there
}
