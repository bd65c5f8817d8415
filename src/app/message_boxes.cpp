#include "app/message_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

namespace {

MessageBoxes* installed = nullptr;

QtMessageBoxes& QtBoxes()
{
    static QtMessageBoxes boxes;
    return boxes;
}

// Owned by the active window, as a box of the application would be.
QWidget* Owner() { return QApplication::activeWindow(); }

} // namespace

QString AppTitle() { return QCoreApplication::translate("MessageBoxes", "电子称配置工具"); }

MessageBoxes& Boxes() { return installed ? *installed : QtBoxes(); }

void SetBoxes(MessageBoxes* boxes) { installed = boxes; }

void QtMessageBoxes::Message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, Owner());
    box.exec();
}

bool QtMessageBoxes::Confirm(const QString& text, Kind kind)
{
    const bool okCancel = kind == Kind::ConfirmOkCancel;
    QMessageBox box(okCancel ? QMessageBox::Information : QMessageBox::Question,
                    QCoreApplication::translate("MessageBoxes", "提示"), text,
                    okCancel ? QMessageBox::Ok | QMessageBox::Cancel
                             : QMessageBox::Yes | QMessageBox::No,
                    Owner());
    box.setDefaultButton(okCancel ? QMessageBox::Cancel : QMessageBox::Yes);
    const int answer = box.exec();
    return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

void QtMessageBoxes::Error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok, Owner());
    box.exec();
}
