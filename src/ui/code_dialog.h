#pragma once
// The code dialog of the calibration unlock: an edit and an on-screen
// keypad. It is destroyed after every use; the caller reads confirmed()
// and input() right after exec() returns, before the deferred destruction.

#include <QDialog>
#include <QString>

class QLineEdit;

class CodeDialog : public QDialog {
    Q_OBJECT

public:
    explicit CodeDialog(QWidget* owner);

    // True when a non-empty input was confirmed with "确定" since the dialog
    // was last shown.
    bool confirmed() const { return confirmed_; }
    // The confirmed input, exactly as typed.
    QString input() const { return input_; }

    // Closing (by "确定" or the close box) asks for destruction once the
    // application next handles its queued events.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // "确定": an empty input is refused, any other is kept unchanged.
    void confirmInput();

    bool confirmed_ = false;
    QString input_;
    QLineEdit* entry_ = nullptr;
};
