#pragma once
// The program's command line:
//
//   scale-config [--port PORT] [--lang LANGUAGE]
//   scale-config --help | --help-all | --version
//   scale-config --certificate [--record N] -o FILE.pdf  (program/certificate_command.h)
//
// --port opens PORT at start-up instead of the port in the settings file,
// for this start only: the settings file keeps its port. --lang chooses the
// window's language, "zh" or "en", over Language= of the settings file and
// the locale (app/language.h); another name is a mistake. A second start
// while the tool runs only brings the running window to the front, whatever
// its options.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>

class QCoreApplication;

struct StartOptions {
    std::optional<QString> port;     // --port
    std::optional<QString> language; // --lang
};

class CommandLine {
public:
    CommandLine();

    // When the command line asks for --help or --version and holds nothing
    // else the parser does not know (such as Qt's own window-system options),
    // prints the answer and ends the process with 0, needing no display.
    // Returns otherwise.
    void answerWithoutDisplay(int& argc, char** argv);

    // The application's arguments, Qt's own options already taken out:
    // prints help, the version or what is wrong (an unknown option, a
    // missing value, a language other than zh or en) and ends the process
    // (0 for help and version, 1 for a mistake), or returns the options.
    StartOptions process(const QCoreApplication& app);

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QCommandLineOption port_;
    QCommandLineOption language_;
};
