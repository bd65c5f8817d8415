#include "app/qt_session_host.h"

#include <QMetaObject>
#include <QObject>

#include "app/delay.h"
#include "app/general_error.h"
#include "app/message_boxes.h"
#include "app/shown_text.h"
#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"

void QtSessionHost::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

bool QtSessionHost::wait(uint32_t ms, const std::function<bool()>& done)
{
    return WaitUntil(ms, done);
}

void QtSessionHost::wakeWaiters() { WakeWaiters(); }

bool QtSessionHost::ending() const { return ApplicationEnding(); }

void QtSessionHost::showMessage(const std::string& text) { Boxes().Message(SessionText(text)); }

void QtSessionHost::showMessageWithValue(const std::string& fixedText, const std::string& value)
{
    Boxes().Message(SessionText(fixedText, value));
}

bool QtSessionHost::ask(const std::string& text, Question question)
{
    return Boxes().Confirm(SessionText(text), question == Question::YesNo
                                                  ? MessageBoxes::Kind::ConfirmYesNo
                                                  : MessageBoxes::Kind::ConfirmOkCancel);
}

void QtSessionHost::showError(const std::exception& error) { ShowGeneralError(error); }

namespace {

// The operator's name has a section of its own in the settings file.
constexpr std::string_view kCalibrationSection = "Calibration";
constexpr std::string_view kOperatorKey = "Operator";

} // namespace

void QtSessionHost::rememberPort(const std::string& name, uint32_t baudRate)
{
    IniFile ini(SettingsFilePath());
    ini.WriteString(kCommSetSection, kCommNoKey, name);
    ini.WriteInteger(kCommSetSection, kBaudRateKey, static_cast<int>(baudRate));
}

std::string QtSessionHost::rememberedOperatorName() const
{
    return IniFile(SettingsFilePath()).ReadString(kCalibrationSection, kOperatorKey, "");
}

void QtSessionHost::rememberOperatorName(const std::string& name)
{
    IniFile settings(SettingsFilePath());
    if (settings.ReadString(kCalibrationSection, kOperatorKey, "") != name)
        settings.WriteString(kCalibrationSection, kOperatorKey, name);
}
