// pty_peer PROGRAM [ARGS...]
//
// The far end of wine COM ports, for the Windows tests. Runs PROGRAM
// (normally "wine some_test.exe") and, while it runs, takes orders from it
// over a loopback socket whose address it passes in SCALE_PTY_PEER
// ("127.0.0.1:port"). Exits with PROGRAM's exit code.
//
// Orders, one line each, answered "ok ..." or "error ...":
//   open N            a new pseudo-terminal, linked as dosdevices/comN of
//                     $WINEPREFIX, so that wine opens it as COMn at once
//   write N HEX       write the bytes to the far end
//   read N COUNT MS   read up to COUNT bytes, waiting at most MS ms: "ok HEX"
//   flood N COUNT     write COUNT bytes (0: without end) of 0,1,2..255,0,..
//                     in the background, as fast as the line takes them
//   stop N            end a flood; "ok BYTES" written by it
//   settings N        the line settings wine gave the terminal:
//                     "ok speed=9600 bits=8 parenb=0 cstopb=0 crtscts=0 ixon=0 ixoff=1 vstop=19"
//   hangup N          the far end goes away (the terminal's master is closed)
//   discard N         throw away what the port's side has not read yet, as
//                     scale-sim does with what a reader leaves unread too long
//   cpu 0             CPU time (ms) the wine servers of this machine have used
//
// Each terminal is first made the controlling terminal of a small process
// of its own (setsid + TIOCSCTTY): a terminal without one would become the
// wine server's when it opens the port, and the server then floods its
// output when the far end hangs up.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Hex(const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::vector<uint8_t> Unhex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

bool WriteAll(int fd, const uint8_t* data, size_t count)
{
    while (count > 0) {
        const ssize_t n = write(fd, data, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0)
            return false;
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

struct Port {
    int master = -1;
    int slave = -1; // kept for "discard"
    pid_t holder = -1;
    std::string link;
    std::thread flood;
    std::atomic<bool> flooding{false};
    std::atomic<uint64_t> flooded{0};

    void StopFlood()
    {
        flooding = false;
        if (flood.joinable())
            flood.join();
    }
    void HangUp()
    {
        StopFlood();
        if (master >= 0)
            close(master);
        master = -1;
        if (slave >= 0)
            close(slave);
        slave = -1;
        if (holder > 0) {
            kill(holder, SIGKILL);
            waitpid(holder, nullptr, 0);
        }
        holder = -1;
        if (!link.empty())
            unlink(link.c_str());
        link.clear();
    }
    ~Port() { HangUp(); }
};

std::string DosDevices()
{
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix)
        return std::string(prefix) + "/dosdevices";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.wine/dosdevices";
}

std::map<int, std::unique_ptr<Port>> ports;

std::string OpenPort(int number)
{
    if (auto it = ports.find(number); it != ports.end())
        it->second->HangUp();
    auto port = std::make_unique<Port>();
    int slave = -1;
    char name[128] = {};
    if (openpty(&port->master, &slave, name, nullptr, nullptr) != 0)
        return "error openpty: " + std::string(std::strerror(errno));
    fcntl(port->master, F_SETFL, O_NONBLOCK); // a flood never blocks the peer
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);

    int ready[2];
    if (pipe(ready) != 0)
        return "error pipe";
    port->holder = fork();
    if (port->holder == 0) {
        // The terminal's own session: it becomes this process's controlling
        // terminal, never the wine server's.
        close(port->master);
        close(ready[0]);
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        close(slave);
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(ready[1], &byte, 1);
        close(ready[1]);
        for (;;)
            pause();
    }
    port->slave = slave;
    close(ready[1]);
    char byte = 0;
    [[maybe_unused]] ssize_t n = read(ready[0], &byte, 1);
    close(ready[0]);

    port->link = DosDevices() + "/com" + std::to_string(number);
    unlink(port->link.c_str());
    if (symlink(name, port->link.c_str()) != 0)
        return "error symlink " + port->link + ": " + std::strerror(errno);
    ports[number] = std::move(port);
    return std::string("ok ") + name;
}

std::string Read(Port& port, size_t count, int ms)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{port.master, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        uint8_t buffer[4096];
        const ssize_t n = read(port.master, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return "ok " + Hex(bytes.data(), bytes.size());
}

void Flood(Port* port, uint64_t count)
{
    std::vector<uint8_t> block(4096);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i);
    uint64_t written = 0;
    while (port->flooding && (count == 0 || written < count)) {
        const size_t size =
            count == 0 ? block.size() : std::min<uint64_t>(block.size(), count - written);
        const ssize_t n = write(port->master, block.data(), size);
        if (n > 0) {
            written += static_cast<uint64_t>(n);
            port->flooded = written;
            // Keep the pattern running across partial writes.
            std::rotate(block.begin(), block.begin() + (n % 256), block.end());
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{port->master, POLLOUT, 0};
            poll(&p, 1, 10);
        } else if (n < 0 && errno != EINTR) {
            break;
        }
    }
    port->flooding = false;
}

std::string Settings(const Port& port)
{
    termios t{};
    if (tcgetattr(port.master, &t) != 0)
        return "error tcgetattr";
    const int bits[] = {5, 6, 7, 8};
    const int size = (t.c_cflag & CSIZE) == CS5   ? 0
                     : (t.c_cflag & CSIZE) == CS6 ? 1
                     : (t.c_cflag & CSIZE) == CS7 ? 2
                                                  : 3;
    const speed_t speed = cfgetospeed(&t);
    static const std::pair<speed_t, int> speeds[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    int rate = 0;
    for (const auto& [code, value] : speeds) {
        if (code == speed)
            rate = value;
    }
    std::ostringstream out;
    out << "ok speed=" << rate << " bits=" << bits[size] << " parenb=" << !!(t.c_cflag & PARENB)
        << " cstopb=" << !!(t.c_cflag & CSTOPB) << " crtscts=" << !!(t.c_cflag & CRTSCTS)
        << " ixon=" << !!(t.c_iflag & IXON) << " ixoff=" << !!(t.c_iflag & IXOFF)
        << " vstop=" << int(t.c_cc[VSTOP]);
    return out.str();
}

// User and system time of every process named wineserver*, from /proc.
std::string WineServerCpu()
{
    const long ticks = sysconf(_SC_CLK_TCK);
    double ms = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!stat || !std::getline(stat, text))
            continue;
        const size_t open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos ||
            text.compare(open + 1, 10, "wineserver") != 0)
            continue;
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                utime = std::stoull(field);
            if (i == 15)
                stime = std::stoull(field);
        }
        ms += (utime + stime) * 1000.0 / ticks;
    }
    return "ok " + std::to_string(static_cast<long long>(ms));
}

std::string Handle(const std::string& line)
{
    std::istringstream in(line);
    std::string order;
    int number = 0;
    in >> order >> number;
    if (order == "open")
        return OpenPort(number);
    if (order == "cpu")
        return WineServerCpu();
    auto it = ports.find(number);
    if (it == ports.end() || it->second->master < 0)
        return "error no open port " + std::to_string(number);
    Port& port = *it->second;
    if (order == "write") {
        std::string hex;
        in >> hex;
        const std::vector<uint8_t> bytes = Unhex(hex);
        return WriteAll(port.master, bytes.data(), bytes.size()) ? "ok" : "error write";
    }
    if (order == "read") {
        size_t count = 0;
        int ms = 0;
        in >> count >> ms;
        return Read(port, count, ms);
    }
    if (order == "flood") {
        uint64_t count = 0;
        in >> count;
        port.StopFlood();
        port.flooded = 0;
        port.flooding = true;
        port.flood = std::thread(Flood, &port, count);
        return "ok";
    }
    if (order == "stop") {
        port.StopFlood();
        return "ok " + std::to_string(port.flooded.load());
    }
    if (order == "settings")
        return Settings(port);
    if (order == "discard")
        return tcflush(port.slave, TCIFLUSH) == 0 ? "ok" : "error tcflush";
    if (order == "hangup") {
        port.HangUp();
        return "ok";
    }
    return "error unknown order " + order;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pty_peer PROGRAM [ARGS...]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("pty_peer: socket");
        return 2;
    }
    const std::string where = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    setenv("SCALE_PTY_PEER", where.c_str(), 1);

    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::perror("pty_peer: exec");
        _exit(127);
    }

    int client = -1;
    std::string pending;
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child)
            break;
        pollfd fds[1] = {{client >= 0 ? client : listener, POLLIN, 0}};
        if (poll(fds, 1, 200) <= 0)
            continue;
        if (client < 0) {
            client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            continue;
        }
        char buffer[65536];
        const ssize_t n = read(client, buffer, sizeof buffer);
        if (n <= 0) {
            close(client);
            client = -1;
            pending.clear();
            continue;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string answer = Handle(pending.substr(0, end)) + "\n";
            pending.erase(0, end + 1);
            WriteAll(client, reinterpret_cast<const uint8_t*>(answer.data()), answer.size());
        }
    }
    ports.clear();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
