#include "scripted_message_boxes.h"

void ScriptedMessageBoxes::Show(Kind kind, const QString& text)
{
    const Shown box{kind, text};
    shown.push_back(box);
    if (whileOpen)
        whileOpen(box);
}

void ScriptedMessageBoxes::Message(const QString& text) { Show(Kind::Message, text); }

bool ScriptedMessageBoxes::Confirm(const QString& text, Kind kind)
{
    Show(kind, text);
    if (answers.empty())
        return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedMessageBoxes::Error(const QString& text) { Show(Kind::Error, text); }

QStringList ScriptedMessageBoxes::Texts() const
{
    QStringList texts;
    for (const auto& box : shown)
        texts << box.text;
    return texts;
}
