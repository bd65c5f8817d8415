#include "ser2net_process.h"

#include "wait_until.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

// A TCP port of 127.0.0.1 that nothing uses now.
uint16_t FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd >= 0)
            close(fd);
        throw std::runtime_error("no free TCP port");
    }
    close(fd);
    return ntohs(address.sin_port);
}

// Whether something listens on 127.0.0.1:port (the kernel's socket table,
// so that looking does not make a connection ser2net would serve).
bool Listening(uint16_t port)
{
    std::ifstream table("/proc/net/tcp");
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    std::getline(table, line); // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

std::string Ser2NetPath()
{
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
        if (access(path, X_OK) == 0)
            return path;
    }
    throw std::runtime_error("ser2net is not installed (scripts/setup.sh installs it)");
}

} // namespace

Ser2NetProcess::Ser2NetProcess(const std::string& device)
    : rfc2217Port_(FreePort()), socketPort_(FreePort())
{
    // The line settings here are the server's own until a client sets them.
    std::ofstream config(dir_ / "ser2net.yaml");
    config << "connection: &rfc2217\n"
           << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_ << "\n"
           << "  connector: serialdev," << device << ",9600n81,local\n"
           << "  options:\n"
           << "    kickolduser: true\n"
           << "connection: &raw\n"
           << "  accepter: tcp,127.0.0.1," << socketPort_ << "\n"
           << "  connector: serialdev," << device << ",115200n81,local\n"
           << "  options:\n"
           << "    kickolduser: true\n";
    config.close();
    Start();
}

Ser2NetProcess::~Ser2NetProcess() { Stop(); }

std::string Ser2NetProcess::Rfc2217Url() const
{
    return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_);
}

std::string Ser2NetProcess::SocketUrl() const
{
    return "socket://127.0.0.1:" + std::to_string(socketPort_);
}

void Ser2NetProcess::Start()
{
    Stop();
    // -n: in the foreground; -u: no UUCP lock files; the pid file in our directory.
    support::SpawnOptions options;
    options.argv = {Ser2NetPath(), "-n", "-u", "-c", dir_ / "ser2net.yaml", "-P", dir_ / "pid"};
    options.workDir = dir_.path();
    options.stdoutFile = dir_ / "ser2net.out";
    options.stderrFile = dir_ / "ser2net.err";
    process_ = std::make_unique<support::ChildProcess>(options);
    if (!support::WaitUntil([&] { return Listening(rfc2217Port_) && Listening(socketPort_); })) {
        Stop();
        throw std::runtime_error("ser2net did not listen on its ports");
    }
}

void Ser2NetProcess::Stop()
{
    if (!process_)
        return;
    process_->Stop(std::chrono::seconds(5));
    process_.reset();
}

} // namespace e2e
