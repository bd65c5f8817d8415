#include "scripted_host.h"

#include <algorithm>

#include "app_core/log_files.h"

bool ScriptedHost::wait(uint32_t ms, const std::function<bool()>& done)
{
    waits.push_back(ms);
    if (whileWaiting)
        whileWaiting(ms);
    const bool answered = loop.run(waitsTakeNoTime ? 0 : ms, done);
    waitsAnswered.push_back(answered);
    return answered;
}

void ScriptedHost::open(Box box)
{
    boxes.push_back(box);
    mostBoxesOpenAtOnce = std::max(mostBoxesOpenAtOnce, ++boxesOpen);
    if (whileOpen)
        whileOpen(box);
    --boxesOpen;
}

void ScriptedHost::showMessage(const std::string& text) { open({Box::Kind::Message, text}); }

bool ScriptedHost::ask(const std::string& text, Question question)
{
    open({Box::Kind::Question, text, question});
    if (answers.empty())
        return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedHost::showError(const std::exception& error)
{
    open({Box::Kind::Error, error.what()});
}

void ScriptedHost::writeResultLog(std::string_view text)
{
    if (resultLogFails)
        throw InOutError("Result.txt: cannot be written", 13);
    resultLog.emplace_back(text);
}

void ScriptedHost::writeErrorLog(std::string_view text)
{
    if (errorLogFails)
        throw InOutError("ResultErr.txt: cannot be written", 13);
    errorLog.emplace_back(text);
}

std::vector<std::string> ScriptedHost::boxTexts() const
{
    std::vector<std::string> texts;
    for (const Box& box : boxes)
        texts.push_back(box.text);
    return texts;
}
