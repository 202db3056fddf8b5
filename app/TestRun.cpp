// Scan, score and report of a test run; see TestRun.h.
#include "app/TestRun.h"

void TestRunState::Clear()
{
    separators.clear();
    keys.clear();
    answers.clear();
    current = 0;
    correct = 0;
}

String TestRunState::Problem() const
{
    if (QuestionCount() == 0) return L"В тесте нет ни одного вопроса: нужны хотя бы две строки \"---\".";
    if (keys.empty()) return L"В тесте не отмечен ни один правильный ответ.";
    if (int(keys.size()) < QuestionCount())
        return L"В тесте вопросов: " + IntToStr(QuestionCount()) + L", а отмеченных правильных ответов: " +
               IntToStr((long long)keys.size()) + L".";
    return {};
}

bool TestRunState::Answer(int index, wchar_t letter)
{
    if (index < 0 || index >= int(answers.size())) return false;
    answers[size_t(index)] = letter;
    return true;
}

wchar_t TestRunState::AnswerOf(int index) const
{
    return index >= 0 && index < int(answers.size()) ? answers[size_t(index)] : 0;
}

void ScanTestLines(std::vector<String>& lines, TestRunState& state)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        String& line = lines[i];
        if (line == kSeparatorLine) {
            state.separators.push_back(int(i));
        } else if (!line.empty() && line[0] == kKeyMark) {
            wchar_t key = 0;
            if (line.size() > 1) key = UpperCase(String(1, line[1]))[0];
            state.keys.push_back(key);
            line.erase(0, 1);
            state.answers.resize(state.keys.size(), 0);
        }
    }
}

std::vector<String> QuestionLines(const std::vector<String>& lines, const TestRunState& state, int index)
{
    std::vector<String> out;
    if (index < 0 || index >= state.QuestionCount()) return out;
    int from = state.separators[size_t(index)] + 1, to = state.separators[size_t(index) + 1];
    for (int i = from; i < to && i < int(lines.size()); ++i) out.push_back(lines[size_t(i)]);
    return out;
}

String QuestionItem(int n) { return L"Вопрос №" + IntToStr(n); }

String MarkAnswered(const String& item)
{
    return item.find(kAnsweredMark) == String::npos ? item + kAnsweredMark : item;
}

String PercentText(int total, int correct, wchar_t decimalSeparator)
{
    if (total <= 0) throw EInvalidOperation(L"Нет вопросов для подсчета процента");
    volatile long double hundred = 100;   // keep the division at run time, in extended precision
    long double p = (hundred / (long double)total) * (long double)correct;
    return FloatToStr(p, decimalSeparator);
}

std::vector<String> BuildReportLines(const ReportInput& in, TestRunState& state)
{
    int k = int(state.keys.size());
    std::vector<String> out;
    out.push_back(L"Имя фамилия: " + in.name);
    out.push_back(L"Группа: " + in.group);
    out.push_back(L"Предмет: " + in.subject);
    out.push_back(L"Тест: " + in.variant);
    out.push_back(in.date + L"     " + in.time);
    state.correct = 0;
    for (int i = 0; i < k; ++i) {
        wchar_t a = state.AnswerOf(i);
        bool right = a != 0 && a == state.keys[size_t(i)];
        if (right) ++state.correct;
        out.push_back(L"Вопрос № " + IntToStr(i + 1) + (right ? L"- Правильно " : L"- Неправильно "));
    }
    out.push_back(L"Всего вопросов: " + IntToStr(k));
    out.push_back(L"Правильно: " + IntToStr(state.correct) + L"    (" +
                  PercentText(k, state.correct, in.decimalSeparator) + L" %)");
    out.push_back(L"Неправильно: " + IntToStr(k - state.correct));
    return out;
}

String JoinLines(const std::vector<String>& lines)
{
    String text;
    for (const String& l : lines) text += l + L"\r\n";
    return text;
}

String ReportFileName(const String& reportsFolder, const String& name, int n)
{
    return reportsFolder + name + L"(" + IntToStr(n) + L")";
}

int FirstFreeReportNumber(const String& reportsFolder, const String& name,
                          const std::function<bool(const String&)>& exists, int from)
{
    for (int n = from < 0 ? 0 : from; n <= kMaxReportNumber; ++n)
        if (!exists(ReportFileName(reportsFolder, name, n))) return n;
    return -1;
}
