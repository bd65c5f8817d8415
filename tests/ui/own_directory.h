#pragma once
// The logs and the settings file lie beside the executable. A test that
// writes them runs as a copy of itself in a temporary directory of its own
// (with HOME and the per-user data directory there too), so it never
// touches the build tree or the user's files: RunInOwnDirectory re-runs the
// program there and waits for it.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

inline constexpr char kOwnDirectoryMarker[] = "SCALE_TEST_OWN_DIRECTORY";

// In the copy: the directory of the executable. Elsewhere: empty.
inline QString OwnDirectory() { return QString::fromLocal8Bit(qgetenv(kOwnDirectoryMarker)); }

// Returns -1 in the copy (go on with the tests); otherwise runs the copy and
// returns its exit code.
inline int RunInOwnDirectory(int argc, char** argv)
{
    if (!OwnDirectory().isEmpty())
        return -1;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString copy = dir.filePath(QStringLiteral("test-copy"));
    if (!QFile::copy(QStringLiteral("/proc/self/exe"), copy)) {
        std::fprintf(stderr, "cannot copy the test program to %s\n", qPrintable(copy));
        return 2;
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kOwnDirectoryMarker, dir.path());
    environment.insert(QStringLiteral("HOME"), dir.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    child.setProcessEnvironment(environment);
    child.start(copy, arguments);
    if (!child.waitForFinished(-1))
        return 2;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 3;
}
