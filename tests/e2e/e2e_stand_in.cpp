// A stand-in for the real program, to test the harness on its own: it does
// what the harness promises the program will find and be able to do. It
// reads datalink.ini beside its own executable, opens the port named there,
// sends 0xF7 and 0xF6, writes the report it receives into Result.txt beside
// itself with its environment, sends 0x01 to say so, and waits for SIGTERM.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string Directory()
{
    char path[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}

std::string IniValue(const std::string& file, const std::string& key)
{
    std::ifstream ini(file);
    std::string line;
    while (std::getline(ini, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

void SendCommand(int fd, unsigned char code)
{
    unsigned char frame[8] = {0xAA, 0x01, code, 0, 0, 0, 0, 0};
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i)
        sum += frame[i];
    frame[7] = static_cast<unsigned char>(sum + 1);
    if (write(fd, frame, sizeof frame) != sizeof frame)
        std::exit(3);
}

} // namespace

int main()
{
    // Block SIGTERM first so that it is waited for, not fatal.
    sigset_t terms;
    sigemptyset(&terms);
    sigaddset(&terms, SIGTERM);
    sigprocmask(SIG_BLOCK, &terms, nullptr);

    const std::string dir = Directory();
    const std::string port = IniValue(dir + "datalink.ini", "CommNo");
    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return 2;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    tcflush(fd, TCIFLUSH);

    SendCommand(fd, 0xF7);
    SendCommand(fd, 0xF6);
    // The report is the first frame with code F6 (measurement frames may come first).
    std::string received;
    unsigned char byte;
    std::string report;
    while (report.empty() && read(fd, &byte, 1) == 1) {
        received.push_back(static_cast<char>(byte));
        const auto at = received.find("\xAA\xF6");
        if (at != std::string::npos && received.size() - at >= 19)
            report = received.substr(at, 19);
    }
    std::ofstream result(dir + "Result.txt");
    char hex[4];
    for (unsigned char c : report) {
        std::snprintf(hex, sizeof hex, "%02X ", c);
        result << hex;
    }
    result << "\nBaudRate=" << IniValue(dir + "datalink.ini", "BaudRate")
           << "\nHOME=" << std::getenv("HOME")
           << "\nXDG_RUNTIME_DIR=" << std::getenv("XDG_RUNTIME_DIR")
           << "\nQT_QPA_PLATFORM=" << std::getenv("QT_QPA_PLATFORM") << "\n";
    result.close();
    SendCommand(fd, 0x01); // done: the test waits for this in the frame log

    int signal = 0;
    sigwait(&terms, &signal);
    close(fd);
    return 0;
}
