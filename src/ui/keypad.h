#pragma once
// The on-screen numeric keypad of a page: twelve flat keys that never take
// the focus. A key types into the edit of its page the operator touched
// last, as a key press and release, so the edit's validator holds it to
// the same characters as typed keys; with no such edit it types nothing.

#include <QFrame>
#include <QPointer>

class QLineEdit;

class Keypad : public QFrame {
    Q_OBJECT
public:
    // Names of the panel and of its twelve keys, row by row: 7 8 9 / 4 5 6 / 1 2 3 / 0 . 退格.
    struct Names {
        const char* panel;
        const char* keys[12];
    };

    Keypad(const Names& names, QWidget* parent);

    // The edits the keypad may type into (those of its own page).
    void serve(std::initializer_list<QLineEdit*> edits);

    // Types a virtual-key code: 48..57 digits, 110 the decimal point, 8 backspace.
    void typeKey(int virtualKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QLineEdit> lastTouched_;
};
