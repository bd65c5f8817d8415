// The window in English, chosen as --lang en chooses it: captions on every
// page, the session's status lines, boxes, questions and places as they are
// shown, the window's own boxes and the receipt; the logs stay Chinese.
// Also which language wins: --lang, Language= of the settings file, the
// locale. Runs as a copy in a directory of its own, where its logs lie.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "app/general_error.h"
#include "app/language.h"
#include "app_core/log_files.h"
#include "own_directory.h"
#include "protocol/frame.h"
#include "protocol/gravity.h"
#include "scripted_message_boxes.h"
#include "ui/city_dialog.h"
#include "ui/main_window.h"
#include "ui/receipt_printing.h"
#include "window_controls.h"

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QString CaptionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    if (const auto* box = qobject_cast<const QComboBox*>(control))
        return box->currentText();
    return {};
}

QString ReadOwnFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void Receive(ScaleSession& session, uint8_t code, std::initializer_list<uint8_t> payloadStart)
{
    uint8_t payload[16] = {};
    std::copy(payloadStart.begin(), payloadStart.end(), payload);
    const ReplyFrame frame = BuildReplyFrame(code, payload);
    session.receive(frame.data(), static_cast<uint16_t>(frame.size()));
}

} // namespace

class EnglishWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    // A handful of captions on each page, the frame and a keypad.
    void captionsOnEveryPage_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        const char* const rows[][2] = {
            {"rzpnlTop", "Scale Configuration Tool "},
            {"grp1", "Display"},
            {"lbl2", "Baud:"},
            {"btnOpen", "Open"},
            {"btnClear", "Zero"},
            {"btnRemove", "Tare"},
            {"btnStart", "Start sampling"},
            {"grp3", "AD drift monitor"},
            {"grp2", "Place of use"},
            {"edtUseCity", "Shaoguan"},
            {"lbl14", "Gravity (m/s²):"},
            {"btnCalc", "Calculate"},
            {"btn20", "Del"},
            {"grppdInf", "Calibration"},
            {"edtCity", "Shaoguan[9.7894]"},
            {"btnZeroSet", "Zero-point calibration"},
            {"btnAnySet", "Span calibration"},
            {"cbbFD", "Default"},
            {"btnMaxRange", "Set capacity"},
            {"btn10", "Zero tracking on"},
            {"btnQueryBeep", "Query beeper"},
            {"lblRealValue", "Actual value: "},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromUtf8(row[1]);
    }
    void captionsOnEveryPage()
    {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QCOMPARE(CaptionOf(Control(window, control.toLatin1().constData())), caption);
    }

    void frameAndPageTabs()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Scale Configuration Tool V2.2"));
        auto* pages = Control<QTabWidget>(window, "RzPageControl1");
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i)
            tabs << pages->tabText(i);
        QCOMPARE(tabs, (QStringList{QStringLiteral("Weighing"), QStringLiteral("Place of Use"),
                                    QStringLiteral("Calibration"), QStringLiteral("Printer")}));
    }

    // The session's texts come in Chinese and are shown in English:
    // fixed ones whole, composed ones with their value as it came.
    void statusLinesAndBoxesOfTheSession()
    {
        ScopedScriptedBoxes boxes;
        const int32_t code = window->session().openPort("/dev/no-such-scale-port", 9600).code;
        QCOMPARE(window->statusText(),
                 QStringLiteral("Opening the port failed, return value: %1").arg(code));

        Receive(window->session(), 0x01, {23});
        QCOMPARE(window->statusText(), QStringLiteral("Version: 23"));
        Receive(window->session(), 0xF2, {'V', '2', '.', '2'});
        QCOMPARE(window->statusText(), QStringLiteral("Version: V2.2"));
        Receive(window->session(), 0xFB, {1});
        QCOMPARE(window->statusText(), QStringLiteral("Beeper is on!"));
        window->session().unlock("wrong");
        QCOMPARE(boxes.Texts(),
                 (QStringList{QStringLiteral("Version: 23"), QStringLiteral("Version: V2.2"),
                              QStringLiteral("Beeper is on!"), QStringLiteral("Wrong code!")}));

        boxes.shown.clear();
        boxes.answers = {false};
        window->session().setUseGravity("9.79");
        QCOMPARE(boxes.shown.size(), size_t{1});
        QCOMPARE(boxes.shown[0].kind, MessageBoxes::Kind::ConfirmYesNo);
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("The gravity of the place of use affects the weight shown! Is "
                                "the gravity you entered correct?"));
    }

    // A row's name, the names of every row with one gravity, and a gravity
    // of no row.
    void placesInTheFieldsAndTheCityList()
    {
        SessionListener& listener = *window;
        listener.placeChanged(GravityPlace::Use, "台湾", 97900);
        QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), QStringLiteral("Taiwan[9.79]"));
        listener.placeChanged(GravityPlace::Calibration, PlaceNamesForGravity(98066), 98066);
        QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(),
                 QStringLiteral("Inner Mongolia\\Heilongjiang[9.8066]"));
        listener.placeChanged(GravityPlace::Use, "湖北省", 97936);
        QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), QStringLiteral("Hubei[9.7936]"));
        listener.placeChanged(GravityPlace::Use, PlaceNamesForGravity(12345), 12345);
        QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(),
                 QStringLiteral("Custom[1.2345]"));

        CityDialog dialog(window);
        dialog.show();
        auto* cities = Control<QListWidget>(&dialog, "lvCityList");
        QCOMPARE(cities->item(0)->text(), QStringLiteral("Guangdong-Shaoguan[9.7894]"));
        QCOMPARE(cities->item(29)->text(), QStringLiteral("Beijing[9.8015]"));
        QCOMPARE(Control<QPushButton>(&dialog, "btnClose")->text(), QStringLiteral("Exit"));
    }

    // Translation happens where a text is shown: the operation log and the
    // result log get the session's Chinese.
    void logsStayChinese()
    {
        ScopedScriptedBoxes boxes;
        window->session().calibrateZero();
        QCOMPARE(window->statusText(), QStringLiteral("Zero-point calibration started!"));
        Receive(window->session(), 0x66, {});
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Zero-point calibration done!")});
        const QString operations = ReadOwnFile(OwnDirectory() + QStringLiteral("/oplog.txt"));
        QVERIFY2(operations.contains(QStringLiteral(" -- 零点标定\r\n")), qPrintable(operations));
        QVERIFY2(operations.contains(QStringLiteral(" -- 零点标定成功\r\n")),
                 qPrintable(operations));

        // 1.5 kg: 10 kg x 15000 / 100000.
        uint8_t payload[16] = {};
        WriteU32LE(payload, 100000);
        WriteU32LE(payload + 4, 15000);
        WriteU16LE(payload + 8, 10);
        const ReplyFrame frame = BuildReplyFrame(0x10, payload);
        window->session().receive(frame.data(), static_cast<uint16_t>(frame.size()));
        QTRY_COMPARE(Control<QLabel>(window, "lblRealValue")->text(),
                     QStringLiteral("Actual value: 1.5"));
        const QString results = ReadOwnFile(OwnDirectory() + QStringLiteral("/Result.txt"));
        QVERIFY2(results.contains(QStringLiteral(" -- 实际值：1.5,\r\n")), qPrintable(results));
    }

    void boxesAndReceiptOfTheWindow()
    {
        ScopedScriptedBoxes boxes;
        RunAction([] { PrintLines(ReceiptLines(QStringLiteral("-"), QStringLiteral("0.000"))); });
        QCOMPARE(boxes.Texts(),
                 QStringList{QStringLiteral("There is no default printer currently selected.")});
        QCOMPARE(boxes.shown[0].kind, MessageBoxes::Kind::Error);
        QCOMPARE(AppTitle(), QStringLiteral("Scale Configuration Tool"));

        const QStringList receipt = ReceiptLines(QStringLiteral("0.100"), QStringLiteral("1.500"));
        QCOMPARE(receipt.mid(0, 3),
                 (QStringList{QStringLiteral("      Weighing Result"),
                              QStringLiteral("Tare: 0.100"), QStringLiteral("Weight: 1.500")}));

        boxes.shown.clear();
        boxes.answers = {false};
        window->close();
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("Are you sure you want to exit?")});
        QVERIFY(window->isVisible());
    }

    // A log that cannot be used is named in the window's language, with the
    // system's reason.
    void failingLogInTheWindowsLanguage()
    {
        ScopedScriptedBoxes boxes;
        const InOutError error(LogFileStep::Open, "/x/Result.txt", EACCES);
        const QString reason = QString::fromLocal8Bit(std::strerror(EACCES));
        RunAction([&] { throw error; });
        UseLanguage(Language::Chinese);
        RunAction([&] { throw error; });
        UseLanguage(Language::English);
        QCOMPARE(boxes.Texts(),
                 (QStringList{"Cannot open log file \"/x/Result.txt\": " + reason + ".",
                              QStringLiteral("无法打开日志文件“/x/Result.txt”：") + reason + "."}));
    }

    // Chosen again, the language replaces the one before it: a window made
    // afterwards shows Chinese.
    void chineseAgain()
    {
        UseLanguage(Language::Chinese);
        {
            MainWindow chinese;
            QCOMPARE(Control<QPushButton>(&chinese, "btnOpen")->text(), QStringLiteral("打开"));
            QCOMPARE(AppTitle(), QStringLiteral("电子称配置工具"));
        }
        // Qt's standard buttons keep the captions they have always had.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        UseLanguage(Language::English);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QCOMPARE(AppTitle(), QStringLiteral("Scale Configuration Tool"));
    }

    void whichLanguageWins_data()
    {
        QTest::addColumn<std::optional<QString>>("commandLine");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("english");
        const std::optional<QString> none;
        const auto name = [](const char* text) { return std::optional<QString>(text); };
        QTest::newRow("nothing, C locale") << none << ""
                                           << "C" << false;
        QTest::newRow("Chinese locale") << none << ""
                                        << "zh_CN" << false;
        QTest::newRow("English locale") << none << ""
                                        << "en_US" << true;
        QTest::newRow("British locale") << none << ""
                                        << "en_GB" << true;
        QTest::newRow("German locale") << none << ""
                                       << "de_DE" << false;
        QTest::newRow("setting en") << none << "en"
                                    << "zh_CN" << true;
        QTest::newRow("setting EN") << none << "EN"
                                    << "C" << true;
        QTest::newRow("setting zh over locale") << none << "zh"
                                                << "en_US" << false;
        QTest::newRow("setting unknown") << none << "fr"
                                         << "en_US" << true;
        QTest::newRow("--lang en over all") << name("en") << "zh"
                                            << "zh_CN" << true;
        QTest::newRow("--lang zh over all") << name("zh") << "en"
                                            << "en_US" << false;
    }
    void whichLanguageWins()
    {
        QFETCH(std::optional<QString>, commandLine);
        QFETCH(QString, setting);
        QFETCH(QString, locale);
        QFETCH(bool, english);
        QCOMPARE(ChooseLanguage(commandLine, setting, QLocale(locale)) == Language::English,
                 english);
    }

private:
    MainWindow* window = nullptr;
};

int main(int argc, char** argv)
{
    const int copy = RunInOwnDirectory(argc, argv);
    if (copy >= 0)
        return copy;
    // No print server: this machine has no printer.
    qputenv("CUPS_SERVER", QByteArray("/nonexistent/cups.sock"));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QApplication app(argc, argv);
    UseLanguage(ChooseLanguage(QStringLiteral("en"), QString(), QLocale::system()));
    EnglishWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "english_window_test.moc"
