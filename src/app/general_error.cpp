#include "app/general_error.h"

#include "app/message_boxes.h"

QString GeneralErrorText(const QString& message) {
  if (message.isEmpty() || message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
  return message;
}

void ShowGeneralError(const std::exception& error) {
  Boxes().Error(GeneralErrorText(QString::fromUtf8(error.what())));
}

void RunAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ShowGeneralError(error);
  }
}

ScaleApplication::ScaleApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kAppTitle);
}

bool ScaleApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowGeneralError(error);
    return false;
  }
}
