#pragma once
// Message boxes answered from a queue instead of by a person; every box is
// recorded. Installed for the lifetime of a ScopedScriptedBoxes.

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "app/message_boxes.h"

// Answers boxes from a queue and records each box. An empty queue answers
// "no"/"Cancel" (as a dismissed box would).
class ScriptedMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        Kind kind;
        QString text;
    };

    void Message(const QString& text) override;
    bool Confirm(const QString& text, Kind kind) override;
    void Error(const QString& text) override;

    // Next answers to confirmations, in order.
    std::deque<bool> answers;
    // Every box shown, in order.
    std::vector<Shown> shown;
    // Runs while a box is "open" (i.e. inside the modal call), e.g. to feed
    // data that arrives while the operator reads the box.
    std::function<void(const Shown&)> whileOpen;

    QStringList Texts() const;

private:
    void Show(Kind kind, const QString& text);
};

// Installs scripted boxes for the lifetime of the object.
class ScopedScriptedBoxes : public ScriptedMessageBoxes {
public:
    ScopedScriptedBoxes() { SetBoxes(this); }
    ~ScopedScriptedBoxes() override { SetBoxes(nullptr); }
    ScopedScriptedBoxes(const ScopedScriptedBoxes&) = delete;
    ScopedScriptedBoxes& operator=(const ScopedScriptedBoxes&) = delete;
};
