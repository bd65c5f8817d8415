#include "program/certificate_command.h"

#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <string>
#include <string_view>

#include "session/record_file.h"
#include "session/record_location.h"
#include "ui/certificate_document.h"

namespace {

constexpr std::string_view kUsage = "用法：scale-config --certificate [--record N] -o 文件.pdf";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "scale-config: %s\n", message.c_str());
    return 1;
}

// A record number from 1 on; 0 for anything else.
size_t RecordNumber(std::string_view text)
{
    size_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || number > 1'000'000'000)
            return 0;
        number = number * 10 + static_cast<size_t>(c - '0');
    }
    return number;
}

} // namespace

std::optional<int> RunCertificateCommand(int argc, char** argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--certificate")
            asked = true;
    if (!asked)
        return std::nullopt;

    size_t number = 0; // the last
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--certificate")
            continue;
        if (argument == "--record" && hasValue) {
            number = RecordNumber(argv[++i]);
            if (number == 0)
                return Fail("记录号应为从1起的整数：" + std::string(argv[i]));
        } else if ((argument == "-o" || argument == "--output") && hasValue) {
            output = argv[++i];
        } else {
            return Fail("无法识别的参数：" + std::string(argument) + "\n" + std::string(kUsage));
        }
    }
    if (output.empty())
        return Fail("缺少输出文件\n" + std::string(kUsage));

    // Drawn off screen: no window, no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    try {
        const NumberedRecord chosen = RecordToCertify(DefaultRecordFilePath(), number);
        if (!WriteCertificatePdf(chosen.record, static_cast<int>(chosen.number),
                                 QString::fromLocal8Bit(output.c_str())))
            return Fail("无法写入证书文件：" + output);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
    return 0;
}
