#include "app/command_line.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include "app/language.h"

namespace {

std::optional<QString> ValueOf(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return std::nullopt;
    return parser.value(option);
}

} // namespace

CommandLine::CommandLine()
    : help_(parser_.addHelpOption()), version_(parser_.addVersionOption()),
      port_(QStringLiteral("port"),
            QStringLiteral(
                "Open <port> at start-up instead of the port in the settings file, for this start "
                "only (COM1, ... or a device path such as /dev/ttyUSB0)."),
            QStringLiteral("port")),
      language_(QStringLiteral("lang"),
                QStringLiteral("Language of the window: zh (the default) or en."),
                QStringLiteral("language"))
{
    parser_.setApplicationDescription(QStringLiteral(
        "Configures and calibrates the controller board of an electronic weighing scale over a "
        "serial port. A second start brings the running window to the front.\n"
        "scale-config --certificate [--record N] -o FILE.pdf writes the certificate of "
        "calibration record N (the last one when left out) without a window."));
    parser_.addOption(port_);
    parser_.addOption(language_);
}

void CommandLine::answerWithoutDisplay(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser_.parse(arguments) || !(parser_.isSet(help_) || parser_.isSet(version_)))
        return;
    // The usage line names the program as started; that needs the
    // application object, here one without a window system.
    QCoreApplication app(argc, argv);
    parser_.process(app);
}

StartOptions CommandLine::process(const QCoreApplication& app)
{
    parser_.process(app);
    const StartOptions options{.port = ValueOf(parser_, port_),
                               .language = ValueOf(parser_, language_)};
    if (options.language && !LanguageNamed(*options.language)) {
        // Said the way the parser says its own mistakes.
        const QString text = QCoreApplication::applicationName() +
                             QStringLiteral(": Unknown language '%1' after '--lang' (zh or en).\n")
                                 .arg(*options.language);
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::exit(EXIT_FAILURE);
    }
    return options;
}
