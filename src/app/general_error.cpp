#include "app/general_error.h"

#include <QCoreApplication>

#include "app/app_identity.h"
#include "app/message_boxes.h"

QString GeneralErrorText(const QString& message)
{
    // A full stop is added, except after one (a Chinese text's included).
    if (message.isEmpty() || (message.back() > QLatin1Char('.') && message.back() != QChar(0x3002)))
        return message + QLatin1Char('.');
    return message;
}

void ShowGeneralError(const QString& message)
{
    // One box at a time: an error while the box is open (a failing log
    // behind every frame, say) is not stacked on top of it.
    static bool open = false;
    if (open)
        return;
    open = true;
    try {
        // Looked up whole, as shown: what has a translation (a text of our
        // own) is shown in the window's language, anything else as it came.
        const QByteArray source = message.toUtf8();
        Boxes().Error(
            GeneralErrorText(QCoreApplication::translate("GeneralError", source.constData())));
    } catch (...) {
        open = false;
        throw;
    }
    open = false;
}

void ShowGeneralError(const std::exception& error)
{
    ShowGeneralError(QString::fromUtf8(error.what()));
}

void RunAction(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        ShowGeneralError(error);
    }
}

ScaleApplication::ScaleApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    SetApplicationIdentity();
    setWindowIcon(ApplicationIcon());
}

bool ScaleApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowGeneralError(error);
        return false;
    }
}
