// The program as the desktop sees it, through the real application object:
// its per-user directories are the ones Qt names, its icon draws, its
// version shows on the title band, and a second start's request brings the
// window to the front.

#include <QDir>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/general_error.h"
#include "app/raise_request.h"
#include "app_core/file_places.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

// Sets or (nullopt) removes an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<QByteArray>& value)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }

private:
    void Set(const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }
    const char* name_;
    std::optional<QByteArray> old_;
};

// A socket file nobody listens at, as an instance that ended abruptly leaves.
bool LeaveStaleSocket(const QString& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || name.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

} // namespace

class DesktopIdentityTest : public QObject {
    Q_OBJECT

private slots:
    // app_core (no Qt) names the same per-user directories as QStandardPaths
    // does for this application, except that an XDG value that is not an
    // absolute path counts as unset (the base-directory rule; Qt 6.4 would
    // use it relative to the current directory).
    void userDirectoriesAreTheOnesQtNames_data()
    {
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<std::optional<QByteArray>>("configHome");
        QTest::addColumn<std::optional<QByteArray>>("dataHome");
        const auto unset = std::optional<QByteArray>();
        QTest::newRow("defaults") << QByteArray("/home/operator") << unset << unset;
        QTest::newRow("home with final slashes")
            << QByteArray("/home/operator//") << unset << unset;
        QTest::newRow("absolute XDG directories")
            << QByteArray("/home/operator") << std::optional<QByteArray>("/srv/cfg")
            << std::optional<QByteArray>("/srv/data");
        QTest::newRow("XDG directories with extra slashes")
            << QByteArray("/home/operator") << std::optional<QByteArray>("/srv//cfg/")
            << std::optional<QByteArray>("/srv/data//");
        QTest::newRow("empty XDG directories")
            << QByteArray("/home/operator") << std::optional<QByteArray>("")
            << std::optional<QByteArray>("");
        QTest::newRow("relative XDG directories")
            << QByteArray("/home/operator") << std::optional<QByteArray>("cfg")
            << std::optional<QByteArray>("data");
    }
    void userDirectoriesAreTheOnesQtNames()
    {
        QFETCH(QByteArray, home);
        QFETCH(std::optional<QByteArray>, configHome);
        QFETCH(std::optional<QByteArray>, dataHome);
        const auto absoluteOnly = [](const std::optional<QByteArray>& value) {
            return value && value->startsWith('/') ? value : std::nullopt;
        };
        ScopedVariable homeVariable("HOME", home);
        QString config, data;
        {
            ScopedVariable configVariable("XDG_CONFIG_HOME", absoluteOnly(configHome));
            ScopedVariable dataVariable("XDG_DATA_HOME", absoluteOnly(dataHome));
            config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
            data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        }
        ScopedVariable configVariable("XDG_CONFIG_HOME", configHome);
        ScopedVariable dataVariable("XDG_DATA_HOME", dataHome);
        QCOMPARE(QDir::cleanPath(QString::fromStdString(UserConfigDirectory())),
                 QDir::cleanPath(config));
        QCOMPARE(QDir::cleanPath(QString::fromStdString(UserDataDirectory())),
                 QDir::cleanPath(data));
        // Spelled out once, so a change of the names on either side shows.
        if (!configHome && !dataHome && !home.endsWith('/')) {
            QCOMPARE(config, QStringLiteral("/home/operator/.config/scale-config"));
            QCOMPARE(data, QStringLiteral("/home/operator/.local/share/scale-config"));
        }
    }

    // The icon is compiled in and drawn from its SVG; the desktop entry and
    // the version are the ones the build installs.
    void iconNameAndVersion()
    {
        QVERIFY(!QApplication::windowIcon().pixmap(48, 48).isNull());
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral(SCALE_DESKTOP_ID));
        QVERIFY(QFile::exists(QStringLiteral(PACKAGING_DIR "/" SCALE_DESKTOP_ID ".desktop")));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(SCALE_VERSION));
        MainWindow window;
        QCOMPARE(Control<QLabel>(&window, "rzpnlTop")->toolTip(),
                 QStringLiteral("scale-config " SCALE_VERSION));
    }

    // A request restores the window from the task bar, also when an instance
    // that ended left its socket behind.
    void raiseRequestBringsTheWindowBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PDA_SVR.socket"));
        QVERIFY(LeaveStaleSocket(path));
        QWidget window;
        RaiseRequestServer server(window);
        QVERIFY(server.listen(path));
        window.showMaximized();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        QVERIFY(SendRaiseRequest(path));
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QVERIFY(window.windowState() & Qt::WindowMaximized);
        QTRY_VERIFY(window.isActiveWindow());
    }

    // A second start's port reaches the window; anything else a connection
    // may carry only raises it.
    void portHandedOverIsOpenedAndNothingElse()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PDA_SVR.socket"));
        QWidget window;
        RaiseRequestServer server(window);
        QStringList handed;
        server.onPortHandedOver([&](const QString& port) { handed << port; });
        QVERIFY(server.listen(path));

        QVERIFY(SendRaiseRequest(path, QStringLiteral("/dev/ttyUSB0")));
        QTRY_COMPARE(handed, QStringList{QStringLiteral("/dev/ttyUSB0")});

        const QByteArray ignored[] = {
            "",          "port \n",          "hello\n",
            "port COM7", "port A\nport B\n", "port " + QByteArray(5000, 'x') + "\n"};
        for (const QByteArray& request : ignored) {
            QLocalSocket socket;
            socket.connectToServer(path);
            QVERIFY(socket.waitForConnected(5000));
            socket.write(request);
            socket.flush();
            socket.disconnectFromServer();
        }
        // A last good request shows that those before it were handled.
        QVERIFY(SendRaiseRequest(path, QStringLiteral("COM7")));
        QTRY_COMPARE(handed, (QStringList{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("COM7")}));
    }

    // Without a running instance the request gives up after its time.
    void requestWithoutListenerGivesUp()
    {
        QTemporaryDir dir;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(
            !SendRaiseRequest(dir.filePath(QStringLiteral("PDA_SVR.socket")), std::nullopt, 300));
        QVERIFY(timer.elapsed() >= 300);
    }
};

int main(int argc, char** argv)
{
    ScaleApplication app(argc, argv);
    DesktopIdentityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_identity_test.moc"
