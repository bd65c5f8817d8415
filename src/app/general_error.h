#pragma once
// The general error display: an exception that escapes an operator action
// ends that action, is shown in an error box and the program carries on.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

// The text of the error box: the message, with "." appended unless it
// already ends in a character at or below "." in code order.
QString GeneralErrorText(const QString& message);

// Shows the error box for an exception or a message, translated when the
// message is one of the program's own texts (context "GeneralError"); while
// it is open, further errors open no second box.
void ShowGeneralError(const std::exception& error);
void ShowGeneralError(const QString& message);

// Runs an operator action; an exception escaping it goes to the general
// error display. Handlers are wrapped with this so that no exception ever
// crosses Qt's event loop.
void RunAction(const std::function<void()>& action);

// The application object. notify() is the last line of defence: whatever
// escapes an event handler is shown instead of ending the program.
class ScaleApplication : public QApplication {
public:
    ScaleApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
