// Scans and scores any test text, as the tests window does with a text read
// from a container: ANSI bytes to lines, the scan, the problem check, each
// question's lines, answers and the report. The answers are taken from the
// input's own bytes so that every path of the score is reached.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/TestRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<String> lines = SplitTextLines(AnsiToString(bytes));
    const size_t lineCount = lines.size();
    TestRunState state;
    ScanTestLines(lines, state);
    if (lines.size() != lineCount || state.answers.size() != state.keys.size()) std::abort();
    String problem = state.Problem();
    JoinLines(lines);
    int questions = state.QuestionCount();
    for (int q = -1; q <= questions; ++q) {
        std::vector<String> shown = QuestionLines(lines, state, q);
        if ((q < 0 || q == questions) && !shown.empty()) std::abort();
        QuestionItem(q + 1);
        MarkAnswered(MarkAnswered(QuestionItem(q + 1)));
    }
    for (size_t i = 0; i < size && i < 4096; ++i) {
        static const wchar_t letters[] = L"ABCDEАБВ";
        int index = int(data[i] % 64) - 2;
        bool stored = state.Answer(index, letters[data[i] % 8]);
        if (stored != (index >= 0 && index < int(state.answers.size()))) std::abort();
    }
    if (!problem.empty() || state.keys.empty()) return 0;
    ReportInput in{L"Имя", L"Группа", L"Предмет", L"Вариант", L"01.01.2026", L"12:00:00", L','};
    std::vector<String> report = BuildReportLines(in, state);
    int k = int(state.keys.size());
    if (state.correct < 0 || state.correct > k || int(report.size()) != 5 + k + 3) std::abort();
    int right = 0;
    for (int i = 0; i < k; ++i) right += state.AnswerOf(i) != 0 && state.AnswerOf(i) == state.keys[size_t(i)];
    if (right != state.correct) std::abort();
    int first = FirstFreeReportNumber(L"C:\\R\\", L"x", [&](const String& name) { return name.size() % 3 == 0; });
    if (first < -1 || first > kMaxReportNumber) std::abort();
    return 0;
}
