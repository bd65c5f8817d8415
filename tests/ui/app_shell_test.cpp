// The Qt side of the application shell: general error display, boxes,
// single-instance lock, the blocking Delay and the tick count.

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/delay.h"
#include "app/general_error.h"
#include "app/single_instance.h"
#include "app_core/tick_count.h"
#include "scripted_message_boxes.h"

namespace {

// Throws from an event handler, as a failing operator action would.
class Thrower : public QObject {
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("Unable to write to /x/datalink.ini");
        return QObject::event(event);
    }
};

// Sets or removes XDG_RUNTIME_DIR and sets TMPDIR for one test, and puts
// both back afterwards.
class ScopedLockEnvironment {
public:
    ScopedLockEnvironment(const std::optional<QString>& runtimeDir, const QString& tmpdir)
        : runtime_(qgetenv("XDG_RUNTIME_DIR")), tmpdir_(qgetenv("TMPDIR"))
    {
        if (runtimeDir)
            qputenv("XDG_RUNTIME_DIR", runtimeDir->toUtf8());
        else
            qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmpdir.toUtf8());
    }
    ~ScopedLockEnvironment()
    {
        Restore("XDG_RUNTIME_DIR", runtime_);
        Restore("TMPDIR", tmpdir_);
    }

private:
    static void Restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QByteArray runtime_, tmpdir_;
};

} // namespace

class AppShellTest : public QObject {
    Q_OBJECT

private slots:
    void errorTextGetsAFinalPoint_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "File access denied"
                                << "File access denied.";
        QTest::newRow("point") << "Done."
                               << "Done.";
        QTest::newRow("hyphen") << "a-"
                                << "a-";
        QTest::newRow("blank") << "a "
                               << "a ";
        QTest::newRow("slash") << "a/"
                               << "a/.";
        QTest::newRow("digit") << "code 5"
                               << "code 5.";
        QTest::newRow("chinese") << "打开失败"
                                 << "打开失败.";
        QTest::newRow("chinese full stop") << "没有默认打印机。"
                                           << "没有默认打印机。";
        QTest::newRow("empty") << ""
                               << ".";
    }
    void errorTextGetsAFinalPoint()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(GeneralErrorText(message), shown);
    }

    void actionErrorIsShownAndTheProgramCarriesOn()
    {
        ScopedScriptedBoxes boxes;
        bool after = false;
        RunAction([] { throw std::runtime_error("Unable to write to /x/datalink.ini"); });
        RunAction([&] { after = true; });
        QVERIFY(after);
        QCOMPARE(boxes.shown.size(), size_t{1});
        QVERIFY(boxes.shown[0].kind == MessageBoxes::Kind::Error);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Unable to write to /x/datalink.ini."));
    }

    // An error while the error box is open (a failing log behind every
    // frame, say) opens no second box; the next one after it is shown again.
    void oneErrorBoxAtATime()
    {
        ScopedScriptedBoxes boxes;
        boxes.whileOpen = [](const ScriptedMessageBoxes::Shown&) {
            ShowGeneralError(QStringLiteral("ResultErr.txt cannot be written"));
            RunAction([] { throw std::runtime_error("another"); });
        };
        ShowGeneralError(QStringLiteral("ResultErr.txt cannot be written"));
        QCOMPARE(boxes.Texts(), QStringList{"ResultErr.txt cannot be written."});
        boxes.whileOpen = {};
        ShowGeneralError(QStringLiteral("later"));
        QCOMPARE(boxes.shown.size(), size_t{2});
    }

    void exceptionEscapingAHandlerReachesTheErrorDisplay()
    {
        ScopedScriptedBoxes boxes;
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(boxes.Texts(), QStringList{"Unable to write to /x/datalink.ini."});
    }

    void scriptedBoxesAnswerInOrderAndDismissWhenEmpty()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true, false};
        QString seenWhileOpen;
        boxes.whileOpen = [&](const ScriptedMessageBoxes::Shown& box) { seenWhileOpen = box.text; };
        QVERIFY(Boxes().Confirm("a", MessageBoxes::Kind::ConfirmYesNo));
        QVERIFY(!Boxes().Confirm("b", MessageBoxes::Kind::ConfirmOkCancel));
        QVERIFY(!Boxes().Confirm("c", MessageBoxes::Kind::ConfirmOkCancel));
        Boxes().Message("d");
        QCOMPARE(seenWhileOpen, QStringLiteral("d"));
        QCOMPARE(boxes.Texts(), (QStringList{"a", "b", "c", "d"}));
    }

    void secondInstanceFindsTheLockTaken()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QCOMPARE(QString::fromStdString(SingleInstanceLock::LockPath()),
                 runtime.filePath("PDA_SVR.lock"));
        {
            SingleInstanceLock first;
            QVERIFY(first.Acquire() == SingleInstanceLock::Result::Acquired);
            SingleInstanceLock second;
            QVERIFY(second.Acquire() == SingleInstanceLock::Result::AlreadyRunning);
        }
        // The first instance ended: a new start succeeds.
        SingleInstanceLock again;
        QVERIFY(again.Acquire() == SingleInstanceLock::Result::Acquired);
        qunsetenv("XDG_RUNTIME_DIR");
    }

    void lockFollowsNoPlantedLink()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString target = runtime.filePath("victim");
        QVERIFY(symlink(target.toUtf8().constData(),
                        runtime.filePath("PDA_SVR.lock").toUtf8().constData()) == 0);
        SingleInstanceLock lock;
        QVERIFY(lock.Acquire() == SingleInstanceLock::Result::Failed);
        QVERIFY(!QFileInfo::exists(target));
        qunsetenv("XDG_RUNTIME_DIR");
        // Without a runtime directory the lock lives in a directory of the
        // user's own under the temporary directory.
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qunsetenv("TMPDIR");
        QCOMPARE(QString::fromStdString(SingleInstanceLock::LockPath()),
                 QStringLiteral("/tmp/scale-config-%1/PDA_SVR.lock").arg(geteuid()));
        if (!tmpdir.isNull())
            qputenv("TMPDIR", tmpdir);
    }

    void withoutRuntimeDirectoryTheLockIsInADirectoryOfOurOwn()
    {
        QTemporaryDir tmp;
        const ScopedLockEnvironment environment(std::nullopt, tmp.path());
        const QString dir = tmp.filePath(QStringLiteral("scale-config-%1").arg(geteuid()));
        QCOMPARE(QString::fromStdString(SingleInstanceLock::LockPath()), dir + "/PDA_SVR.lock");
        SingleInstanceLock first;
        QVERIFY(first.Acquire() == SingleInstanceLock::Result::Acquired);
        struct stat info { };
        QCOMPARE(lstat(dir.toUtf8().constData(), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 07777, 0700u);
        QCOMPARE(info.st_uid, geteuid());
        SingleInstanceLock second;
        QVERIFY(second.Acquire() == SingleInstanceLock::Result::AlreadyRunning);
    }

    // Someone else plants the lock's directory or file and holds a lock on
    // it: the tool must not take that for a running instance.
    void lockOfSomeoneElseIsNeverTrusted()
    {
        constexpr uid_t kOtherUser = 4242;
        const bool root = geteuid() == 0;
        struct Case {
            const char* name;
            bool needsRoot;
            bool inRuntimeDir;
            // Plants things in `dir` (the lock's directory); returns the file to hold.
            std::function<QString(const QString& dir)> plant;
        };
        bool planted = true; // every step of the planting worked
        const auto makeDir = [&](const QString& dir, mode_t mode) {
            planted = planted && mkdir(dir.toUtf8().constData(), mode) == 0 &&
                      chmod(dir.toUtf8().constData(), mode) == 0;
        };
        const auto makeFile = [&](const QString& path) {
            const int fd = open(path.toUtf8().constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            planted = planted && fd >= 0;
            if (fd >= 0)
                close(fd);
        };
        const auto chownTo = [&](const QString& path, uid_t uid) {
            planted = planted && chown(path.toUtf8().constData(), uid, uid) == 0;
        };
        const auto linkTo = [&](const QString& target, const QString& link) {
            planted =
                planted && symlink(target.toUtf8().constData(), link.toUtf8().constData()) == 0;
        };
        const Case cases[] = {
            {"directory of another user", true, false,
             [&](const QString& dir) {
                 makeDir(dir, 0700);
                 makeFile(dir + "/PDA_SVR.lock");
                 chownTo(dir + "/PDA_SVR.lock", kOtherUser);
                 chownTo(dir, kOtherUser);
                 return dir + "/PDA_SVR.lock";
             }},
            {"directory open to others", false, false,
             [&](const QString& dir) {
                 makeDir(dir, 0777);
                 makeFile(dir + "/PDA_SVR.lock");
                 return dir + "/PDA_SVR.lock";
             }},
            {"directory is a link", false, false,
             [&](const QString& dir) {
                 makeDir(dir + "-elsewhere", 0700);
                 makeFile(dir + "-elsewhere/PDA_SVR.lock");
                 linkTo(dir + "-elsewhere", dir);
                 return dir + "-elsewhere/PDA_SVR.lock";
             }},
            {"directory is a file", false, false,
             [&](const QString& dir) {
                 makeFile(dir);
                 return dir;
             }},
            {"lock file of another user in our directory", true, false,
             [&](const QString& dir) {
                 makeDir(dir, 0700);
                 makeFile(dir + "/PDA_SVR.lock");
                 chownTo(dir + "/PDA_SVR.lock", kOtherUser);
                 return dir + "/PDA_SVR.lock";
             }},
            {"lock file of another user in the runtime directory", true, true,
             [&](const QString& dir) {
                 makeFile(dir + "/PDA_SVR.lock");
                 chownTo(dir + "/PDA_SVR.lock", kOtherUser);
                 return dir + "/PDA_SVR.lock";
             }},
        };
        int run = 0;
        for (const Case& c : cases) {
            if (c.needsRoot && !root)
                continue;
            ++run;
            QTemporaryDir tmp;
            const ScopedLockEnvironment environment(
                c.inRuntimeDir ? std::optional<QString>(tmp.path()) : std::nullopt, tmp.path());
            const QString dir = QString::fromStdString(SingleInstanceLock::LockDirectory());
            planted = true;
            const QString held = c.plant(dir);
            QVERIFY2(planted, c.name);
            const int holder = open(held.toUtf8().constData(), O_RDONLY);
            QVERIFY2(holder >= 0 && flock(holder, LOCK_EX | LOCK_NB) == 0, c.name);
            SingleInstanceLock lock;
            QVERIFY2(lock.Acquire() == SingleInstanceLock::Result::Failed, c.name);
            close(holder);
        }
        if (!root)
            QSKIP("the cases of another user's files need root");
        QCOMPARE(run, 6);
    }

    void delayWaitsWhileHandlingEvents()
    {
        int handled = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++handled; });
        ticker.start(10);
        const uint32_t start = GetTickCount();
        Delay(200);
        const uint32_t waited = TicksBetween(start, GetTickCount());
        // At least its time (how much more, on a loaded machine, is no
        // fault); the ticker's events were handled meanwhile.
        QVERIFY2(waited >= 200, qPrintable(QString::number(waited)));
        QVERIFY2(handled >= 1, qPrintable(QString::number(handled)));
    }

    void delayZeroHandlesPendingEventsOnce()
    {
        bool handled = false;
        QTimer::singleShot(0, [&] { handled = true; });
        Delay(0);
        QVERIFY(handled);
    }

    void nestedDelaysEachLastTheirTime()
    {
        // An operator action started during a wait waits too; both end on time.
        uint32_t innerWaited = 0;
        QTimer::singleShot(20, [&] {
            const uint32_t start = GetTickCount();
            Delay(150);
            innerWaited = TicksBetween(start, GetTickCount());
        });
        const uint32_t start = GetTickCount();
        Delay(50);
        QVERIFY(TicksBetween(start, GetTickCount()) >=
                150); // the outer wait resumes after the inner one
        QVERIFY(innerWaited >= 150);
    }

    void waitEndsEarlyWhenWokenWithItsConditionMet()
    {
        bool flag = false;
        QTimer::singleShot(30, [&] {
            flag = true;
            WakeWaiters();
        });
        const uint32_t start = GetTickCount();
        // Far less than the whole wait, however busy the machine.
        QVERIFY(WaitUntil(60000, [&] { return flag; }));
        QVERIFY(TicksBetween(start, GetTickCount()) < 30000);
        // Woken without the condition met it keeps waiting to its end.
        QTimer::singleShot(10, [] { WakeWaiters(); });
        const uint32_t again = GetTickCount();
        QVERIFY(!WaitUntil(100, [] { return false; }));
        QVERIFY(TicksBetween(again, GetTickCount()) >= 100);
    }

    void tickDifferencesSurviveTheWrap()
    {
        QCOMPARE(TicksBetween(0xFFFFFFF0u, 0x10u), 0x20u);
        QCOMPARE(TicksBetween(100u, 350u), 250u);
    }
};

int main(int argc, char** argv)
{
    ScaleApplication app(argc, argv);
    AppShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "app_shell_test.moc"
