#include "app/general_error.h"

#include <QCoreApplication>

#include "app/app_identity.h"
#include "app/message_boxes.h"
#include "app_core/log_files.h"

#include <cstring>

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

namespace {

// A log that failed, said in the window's language; the system's reason as
// the system words it.
QString LogFailureText(const InOutError& error)
{
    const char* step = nullptr;
    switch (error.step) {
    case LogFileStep::Open:
        step = QT_TRANSLATE_NOOP("GeneralError", "无法打开日志文件“%1”：%2");
        break;
    case LogFileStep::Rename:
        step = QT_TRANSLATE_NOOP("GeneralError", "无法移开日志文件“%1”：%2");
        break;
    case LogFileStep::Write:
        step = QT_TRANSLATE_NOOP("GeneralError", "无法写入日志文件“%1”：%2");
        break;
    case LogFileStep::Close:
        step = QT_TRANSLATE_NOOP("GeneralError", "无法关闭日志文件“%1”：%2");
        break;
    case LogFileStep::Other:
        return QString::fromUtf8(error.what());
    }
    return QCoreApplication::translate("GeneralError", step)
        .arg(QString::fromStdString(error.path),
             QString::fromLocal8Bit(std::strerror(error.errorCode)));
}

} // namespace

void ShowGeneralError(const std::exception& error)
{
    if (const auto* logError = dynamic_cast<const InOutError*>(&error))
        ShowGeneralError(LogFailureText(*logError));
    else
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
