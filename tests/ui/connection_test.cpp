// Opening and closing the port without a device: what the window reads
// from and writes to the settings file, how it names the port, and what it
// tells the operator.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "own_directory.h"
#include "scripted_message_boxes.h"
#include "serial/comm.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

QString SettingsPath() { return OwnDirectory() + QStringLiteral("/datalink.ini"); }

void WriteSettings(const QByteArray& text)
{
    QFile file(SettingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(SettingsPath());
        window = new MainWindow;
    }
    void cleanup() { delete window; }

    void formShowFillsTheBoxesAndClicksOpen_data();
    void formShowFillsTheBoxesAndClicksOpen();
    void portNamesAndRates_data();
    void portNamesAndRates();
    void failedOpenTellsTheCodeAndSavesNothing();
    void closeWithoutOpenPort();

private:
    MainWindow* window = nullptr;
};

void ConnectionTest::formShowFillsTheBoxesAndClicksOpen_data()
{
    QTest::addColumn<QByteArray>("settings"); // empty: no file
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("box"); // empty: none
    QTest::newRow("stored") << QByteArray("[CommSet]\r\nCommNo=Com7\r\nBaudRate=38400\r\n")
                            << "Com7"
                            << "38400"
                            << "";
    QTest::newRow("bad rate") << QByteArray("[commset]\nCOMMNO=Com2\nbaudrate=abc\n") << "Com2"
                              << "115200"
                              << "配置文件中的波特率 BaudRate=abc 无效，使用 115200。";
    QTest::newRow("rate 0") << QByteArray("[CommSet]\nCommNo=Com2\nBaudRate=0\n") << "Com2"
                            << "115200"
                            << "配置文件中的波特率 BaudRate=0 无效，使用 115200。";
    QTest::newRow("prefixed name") << QByteArray("[CommSet]\nCommNo=//./Com10\n") << "//./Com10"
                                   << "115200"
                                   << "";
}

void ConnectionTest::formShowFillsTheBoxesAndClicksOpen()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, port);
    QFETCH(QString, rate);
    QFETCH(QString, box);
    ScopedScriptedBoxes boxes;
    if (!settings.isEmpty())
        WriteSettings(settings);
    // Keep the click from opening a device of this machine: only see it.
    QObject::disconnect(Control<QPushButton>(window, "btnOpen"), &QPushButton::clicked, nullptr,
                        nullptr);
    QSignalSpy clicks(Control<QPushButton>(window, "btnOpen"), &QPushButton::clicked);
    static_cast<SessionListener&>(*window).connectionChanged(true);
    window->openRememberedPort();
    QCOMPARE(Control<QComboBox>(window, "cbbComm")->currentText(), port);
    QCOMPARE(Control<QComboBox>(window, "cbbRate")->currentText(), rate);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(boxes.Texts(), box.isEmpty() ? QStringList() : QStringList{box});
    QVERIFY(Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnClose")->isEnabled());
    QCOMPARE(Control<QLabel>(window, "lblBaseValue")->text(), QStringLiteral("基数值:0"));
    QVERIFY(Control<QLabel>(window, "lblBaseValue")->isHidden());
    // Reading never creates the file.
    QCOMPARE(QFile::exists(SettingsPath()), !settings.isEmpty());
}

void ConnectionTest::portNamesAndRates_data()
{
    // Names that reach no device here, so that nothing on this machine is opened.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<uint>("baud");
    QTest::newRow("one digit") << "Xyz9"
                               << "9600"
                               << "Xyz9" << 9600u;
    QTest::newRow("ten") << "Xyz10"
                         << "115200"
                         << "//./Xyz10" << 115200u;
    QTest::newRow("leading zero") << "Xyz010"
                                  << "4800"
                                  << "//./Xyz010" << 4800u;
    QTest::newRow("already prefixed") << "//./Xyz10"
                                      << "4800"
                                      << "//./Xyz10" << 4800u;
    QTest::newRow("backslash prefix") << "\\\\.\\XYZ12"
                                      << "4800"
                                      << "\\\\.\\XYZ12" << 4800u;
    QTest::newRow("short") << "X1"
                           << "abc"
                           << "X1" << 9600u;
    QTest::newRow("empty") << ""
                           << ""
                           << "" << 9600u;
    QTest::newRow("rate outside the list") << "Xyz1"
                                           << "250000"
                                           << "Xyz1" << 250000u;
}

void ConnectionTest::portNamesAndRates()
{
    QFETCH(QString, typed);
    QFETCH(QString, rate);
    QFETCH(QString, opened);
    QFETCH(uint, baud);
    Control<QComboBox>(window, "cbbComm")->setEditText(typed);
    Control<QComboBox>(window, "cbbRate")->setEditText(rate);
    Control<QPushButton>(window, "btnOpen")->click();
    QCOMPARE(QString::fromStdString(window->session().portName()), opened);
    QCOMPARE(window->session().baudRate(), baud);
    QCOMPARE(Control<QComboBox>(window, "cbbComm")->currentText(),
             typed); // the box keeps what was typed
}

void ConnectionTest::failedOpenTellsTheCodeAndSavesNothing()
{
    ScopedScriptedBoxes boxes;
    Control<QComboBox>(window, "cbbComm")
        ->setEditText(OwnDirectory() + QStringLiteral("/no-such-port"));
    Control<QPushButton>(window, "btnOpen")->click();
    QCOMPARE(window->statusText(), QStringLiteral("打开串口失败，返回值：-1"));
    QVERIFY(Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnClose")->isEnabled());
    QVERIFY(!Control<QLineEdit>(window, "edtAny")->isEnabled());
    QVERIFY(!QFile::exists(SettingsPath()));
    QVERIFY(boxes.shown.empty());

    // A file that is no serial device gives its own code.
    WriteSettings("[CommSet]\n");
    Control<QComboBox>(window, "cbbComm")->setEditText(SettingsPath());
    Control<QPushButton>(window, "btnOpen")->click();
    QCOMPARE(window->statusText(), QStringLiteral("打开串口失败，返回值：-2"));
}

void ConnectionTest::closeWithoutOpenPort()
{
    Control<QPushButton>(window, "btnClose")->setEnabled(true);
    Control<QPushButton>(window, "btnClose")->click();
    QCOMPARE(window->statusText(), QStringLiteral("串口关闭！"));
    QVERIFY(Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnClose")->isEnabled());
    QVERIFY(!QFile::exists(SettingsPath()));
}

int main(int argc, char** argv)
{
    const int copied = RunInOwnDirectory(argc, argv);
    if (copied >= 0)
        return copied;
    QApplication app(argc, argv);
    ConnectionTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "connection_test.moc"
