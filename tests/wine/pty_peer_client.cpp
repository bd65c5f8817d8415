#include "pty_peer_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <stdexcept>

namespace {

std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

} // namespace

bool PtyPeer::Available()
{
    const char* where = std::getenv("SCALE_PTY_PEER");
    return where && *where;
}

PtyPeer::PtyPeer()
{
    const char* where = std::getenv("SCALE_PTY_PEER");
    if (!where || !*where)
        throw std::runtime_error("SCALE_PTY_PEER is not set: run under tests/wine/pty_peer");
    const std::string address = where;
    const size_t colon = address.find(':');

    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(std::stoi(address.substr(colon + 1))));
    inet_pton(AF_INET, address.substr(0, colon).c_str(), &peer.sin_addr);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0)
        throw std::runtime_error("cannot reach the pty peer at " + address);
    socket_ = s;
}

PtyPeer::~PtyPeer() { closesocket(static_cast<SOCKET>(socket_)); }

std::string PtyPeer::Order(const std::string& line)
{
    const SOCKET s = static_cast<SOCKET>(socket_);
    const std::string text = line + "\n";
    for (size_t sent = 0; sent < text.size();) {
        const int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent), 0);
        if (n <= 0)
            throw std::runtime_error("pty peer gone");
        sent += static_cast<size_t>(n);
    }
    std::string answer;
    for (char c = 0; c != '\n';) {
        if (recv(s, &c, 1, 0) != 1)
            throw std::runtime_error("pty peer gone");
        if (c != '\n')
            answer += c;
    }
    if (answer.rfind("ok", 0) != 0)
        throw std::runtime_error("pty peer: " + line.substr(0, 40) + ": " + answer);
    return answer.size() > 3 ? answer.substr(3) : std::string();
}

std::string PtyPeer::Open(int port) { return Order("open " + std::to_string(port)); }

void PtyPeer::Write(int port, const std::vector<uint8_t>& bytes)
{
    Order("write " + std::to_string(port) + " " + Hex(bytes));
}

std::vector<uint8_t> PtyPeer::Read(int port, size_t count, std::chrono::milliseconds timeout)
{
    const std::string hex = Order("read " + std::to_string(port) + " " + std::to_string(count) +
                                  " " + std::to_string(timeout.count()));
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

void PtyPeer::Flood(int port, uint64_t count)
{
    Order("flood " + std::to_string(port) + " " + std::to_string(count));
}

uint64_t PtyPeer::StopFlood(int port) { return std::stoull(Order("stop " + std::to_string(port))); }

std::string PtyPeer::Settings(int port) { return Order("settings " + std::to_string(port)); }

void PtyPeer::HangUp(int port) { Order("hangup " + std::to_string(port)); }

void PtyPeer::Discard(int port) { Order("discard " + std::to_string(port)); }

double PtyPeer::WineServerCpuMs() { return std::stod(Order("cpu 0")); }
