#include "pty_line_end.h"

#include "comm_events.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <sstream>
#include <utility>

PtyLineEnd::PtyLineEnd()
    : slave_(open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
}

PtyLineEnd::~PtyLineEnd()
{
    StopFlood();
    if (slave_ >= 0)
        close(slave_);
}

void PtyLineEnd::DiscardUnread() { tcflush(slave_, TCIFLUSH); }

void PtyLineEnd::Flood()
{
    StopFlood();
    const int master = pty_.Master();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    flooding_ = true;
    flood_ = std::thread([this, master] {
        const std::vector<uint8_t> block = Pattern(4096);
        while (flooding_) {
            if (write(master, block.data(), block.size()) < 0) {
                pollfd p{master, POLLOUT, 0};
                poll(&p, 1, 10); // a full line, or the stop being asked for
            }
        }
    });
}

void PtyLineEnd::StopFlood()
{
    flooding_ = false;
    if (flood_.joinable())
        flood_.join();
    const int master = pty_.Master();
    if (master >= 0)
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) & ~O_NONBLOCK);
}

std::string PtyLineEnd::Settings() const
{
    const termios t = pty_.SlaveSettings();
    const int bits = (t.c_cflag & CSIZE) == CS5   ? 5
                     : (t.c_cflag & CSIZE) == CS6 ? 6
                     : (t.c_cflag & CSIZE) == CS7 ? 7
                                                  : 8;
    static const std::pair<speed_t, int> speeds[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    int rate = 0;
    for (const auto& [code, value] : speeds)
        if (code == cfgetospeed(&t))
            rate = value;
    std::ostringstream out;
    out << "speed=" << rate << " bits=" << bits << " parenb=" << !!(t.c_cflag & PARENB)
        << " cstopb=" << !!(t.c_cflag & CSTOPB) << " crtscts=" << !!(t.c_cflag & CRTSCTS)
        << " ixon=" << !!(t.c_iflag & IXON) << " ixoff=" << !!(t.c_iflag & IXOFF)
        << " vstop=" << int(t.c_cc[VSTOP]);
    return out.str();
}
