// The Windows scale-cli.exe under wine against the Linux scale-sim: the
// simulator links its pseudo-terminal into the wine prefix as COM12 (two
// digits, so the name opens as \\.\COM12), and takes it as the controlling
// terminal of a process of its own, so the wine server never does.
//
// This is a Linux program, built by the Windows build for the build
// machine (tests/cli/wine/CMakeLists.txt) and run by ctest with the
// environment of the wine tests (WINEPREFIX, the Chinese locale with ANSI
// code page 936). SCALE_CLI_PATH is scale-cli.exe, SCALE_SIM_PATH the
// native build's scale-sim; without that simulator it reports itself
// skipped (exit 77).

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "cli_target.h"

namespace cli_target {

namespace {

constexpr int kComPort = 12;

std::string WinePrefix()
{
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix ? prefix : "";
}

// C:\oplog.txt, where every Windows run writes its operation log.
std::string OperationLogFile() { return WinePrefix() + "/drive_c/oplog.txt"; }

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The output as a text-mode reader sees it.
std::string WithLineFeeds(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// Text of the ANSI code page 936 in UTF-8; a byte that is no character
// there shows as '?', so a log in another character set fails its test.
std::string Utf8FromCodePage936(const std::string& bytes)
{
    iconv_t convert = iconv_open("UTF-8", "CP936");
    if (convert == reinterpret_cast<iconv_t>(-1))
        return "(no CP936 converter)";
    std::string utf8;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char buffer[1024];
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(convert, &in, &inLeft, &out, &outLeft);
        utf8.append(buffer, static_cast<size_t>(out - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            utf8 += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(convert);
    return utf8;
}

} // namespace

std::unique_ptr<e2e::SimProcess> StartSimulator(const std::vector<std::string>& options)
{
    std::vector<std::string> linked = options;
    linked.insert(linked.end(),
                  {"--link", WinePrefix() + "/dosdevices/com" + std::to_string(kComPort)});
    return std::make_unique<e2e::SimProcess>(linked);
}

std::string PortName(const e2e::SimProcess&) { return "COM" + std::to_string(kComPort); }

// Wine's drive Z: is the Linux root.
std::string FileName(const std::string& path)
{
    std::string name = "Z:" + path;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

std::unique_ptr<e2e::ProgramRun> StartCli(const std::string& port,
                                          const std::vector<std::string>& arguments)
{
    return std::make_unique<e2e::ProgramRun>(e2e::ProgramRunOptions{.program = SCALE_CLI_PATH,
                                                                    .launcher = {SCALE_WINE_PATH},
                                                                    .port = port,
                                                                    .baud = 115200,
                                                                    .arguments = arguments});
}

CliRun RunCli(const std::string& port, const std::vector<std::string>& arguments,
              std::chrono::milliseconds timeout)
{
    const size_t logBefore = ReadBytes(OperationLogFile()).size();
    const std::unique_ptr<e2e::ProgramRun> run = StartCli(port, arguments);
    CliRun result;
    const std::optional<int> code = run->WaitForExit(timeout);
    result.exitCode = code ? *code : run->Stop();
    result.output = WithLineFeeds(run->ReadFile("program.out"));
    result.errors = WithLineFeeds(run->ReadFile("program.err"));
    const std::string log = ReadBytes(OperationLogFile());
    result.operationLog =
        Utf8FromCodePage936(log.size() >= logBefore ? log.substr(logBefore) : log);
    return result;
}

} // namespace cli_target

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (access(SCALE_SIM_PATH, X_OK) != 0) {
        std::printf("skipped: no Linux scale-sim at '%s' (SCALE_LINUX_SIM); build it first with\n"
                    "  cmake --preset default && cmake --build --preset default --target "
                    "scale-sim\n"
                    "or name another with cmake --preset windows -DSCALE_LINUX_SIM=PATH\n",
                    SCALE_SIM_PATH);
        return 77;
    }
    if (cli_target::WinePrefix().empty()) {
        std::printf("WINEPREFIX is not set: run these tests with ctest --preset windows\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
