// The logic of one test run, without windows: the scan of a test text
// (separator and key lines), the question list texts, the score, the report
// lines and the choice of a report file name.
#pragma once
#include <functional>
#include <vector>

#include "classlib/SysUtils.h"

// A line that is exactly this separates question blocks.
inline constexpr const wchar_t* kSeparatorLine = L"---";
// A line that starts with this character marks the correct option.
inline constexpr wchar_t kKeyMark = L'`';
// Appended once to a question list item when the question has been answered.
inline constexpr const wchar_t* kAnsweredMark = L"(отвечен)";
// Report numbers are held in 8 bits: "(0)" to "(255)".
inline constexpr int kMaxReportNumber = 255;

// The state of one run: separator line indexes, keys in text order, one
// answer slot per key (0 = no answer), the question on screen and the count
// of correct answers made by the report.
struct TestRunState {
    std::vector<int> separators;
    std::vector<wchar_t> keys;      // 0: a key line holding only the back-quote
    std::vector<wchar_t> answers;   // 0: not answered
    int current = 0;
    int correct = 0;

    void Clear();
    int QuestionCount() const { return separators.size() < 2 ? 0 : int(separators.size()) - 1; }
    // Empty when the scanned text can be run; otherwise what is wrong with it.
    String Problem() const;
    // Stores an answer for question index; false (nothing stored) when the
    // index has no answer slot.
    bool Answer(int index, wchar_t letter);
    wchar_t AnswerOf(int index) const;
};

// Scans the lines in order: "---" lines give separators; a non-empty line
// that starts with the back-quote gives a key (the next character, upper-cased
// with the locale's rule) and loses its first character. The answers get one
// empty slot per key.
void ScanTestLines(std::vector<String>& lines, TestRunState& state);

// Lines of question index (from 0): the lines strictly between its two
// separators. Empty when there is no such question.
std::vector<String> QuestionLines(const std::vector<String>& lines, const TestRunState& state, int index);

// "Вопрос №" + n, n from 1.
String QuestionItem(int n);
// The item with "(отвечен)" appended, unless it already contains it.
String MarkAnswered(const String& item);

// (100 / total) x correct in 80-bit extended precision, in the general
// format (15 significant digits) with the given decimal separator.
// total must be positive.
String PercentText(int total, int correct, wchar_t decimalSeparator);

struct ReportInput {
    String name, group, subject, variant;
    String date, time;   // the system's short date and long time texts
    wchar_t decimalSeparator = L',';
};

// The report lines in order; state.correct is set to the number of questions
// whose answer equals the key (an empty answer is never correct). The state
// must have at least one key.
std::vector<String> BuildReportLines(const ReportInput& in, TestRunState& state);
// Lines joined with CR LF after every line.
String JoinLines(const std::vector<String>& lines);

// reportsFolder (with its trailing backslash) + name + "(" + n + ")".
String ReportFileName(const String& reportsFolder, const String& name, int n);
// The first n from `from` to 255 whose report file name is not taken, or -1.
int FirstFreeReportNumber(const String& reportsFolder, const String& name,
                          const std::function<bool(const String&)>& exists, int from = 0);
