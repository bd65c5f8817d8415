#pragma once

// A port behind a serial device server, over a TCP connection: raw
// (socket://) or Telnet with the COM port control option (rfc2217://).
// Like a local device, a lost connection fails the reader and the writer,
// and every wait also ends on the close event.
//
// What goes out (data, escaped for Telnet, and the option's commands) is
// queued in whole pieces and sent without blocking by whichever thread
// comes first, so a command never lands inside an escape and the owner's
// thread never waits for the network. The writer waits until its data has
// left; the reader sends what is left over whenever the socket takes it.

#include "serial/com_port_client.h"
#include "serial/comm_backend.h"
#include "serial/net_socket.h"

#include <memory>

#include <mutex>
#include <string>
#include <vector>

namespace serial {

// How long the open waits for the server's answers to the line settings.
constexpr int kNetAnswerLimitMs = 3000;

class NetDevice : public CommDevice {
public:
    // Takes over the connected socket.
    NetDevice(std::unique_ptr<NetSocket> socket, bool telnet);
    ~NetDevice() override = default;
    NetDevice(const NetDevice&) = delete;
    NetDevice& operator=(const NetDevice&) = delete;

    uint32_t NativeHandle() const override { return socket_->NativeHandle(); }
    bool SetupQueues(uint32_t, uint32_t) override { return true; }
    void Purge(uint32_t flags) override;
    bool ApplyState(const LineSettings& line) override;
    bool ApplyTimeouts(const CommTimeouts& timeouts) override;
    bool GetModemStatus(uint32_t& bits) override;
    OpenRefusal LineRefusal(std::string& reason) const override;

    bool BeginReader(uint32_t eventMask) override;
    ReaderEvent WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity) override;
    IoStatus ClearErrors(uint32_t& errors) override;
    void EndReader() override { }

    bool BeginWriter() override { return true; }
    WriteOutcome Write(const Event& close, const uint8_t* data, uint32_t count) override;
    void EndWriter() override { }

private:
    // Under mutex_: queues whole pieces, sends what the socket takes now.
    void QueueLocked(const std::vector<uint8_t>& bytes);
    // False when the connection has failed.
    bool FlushLocked();
    bool OutputPending();
    // One read from the socket, its data to `data`: the number of data bytes
    // (0 when it held only commands), kNothing when nothing was there, kGone
    // when the connection is gone.
    static constexpr int kNothing = -2;
    static constexpr int kGone = -1;
    int ReceiveSome(uint8_t* data, uint32_t capacity);
    // The open's exchange: reads until `done` holds (checked under mutex_),
    // the time runs out (false) or the connection fails (false).
    template <typename Done> bool AwaitServer(int& leftMs, Done done);
    bool FailOpen(OpenRefusal refusal, std::string reason);
    uint32_t PendingEvents();

    const std::unique_ptr<NetSocket> socket_;
    const bool telnet_;

    std::mutex mutex_; // the output queue and the protocol state
    std::vector<uint8_t> output_;
    bool sendFailed_ = false;
    ComPortClient client_;
    bool readerStarted_ = false;
    bool opened_ = false; // the first settings have been applied
    OpenRefusal refusal_ = OpenRefusal::None;
    std::string refusalReason_;
    // Data that came during the open's exchange, delivered first.
    std::vector<uint8_t> early_;
    bool purgeDue_ = false; // asked for before the option was agreed
    uint32_t purgeFlags_ = 0;
    std::vector<uint8_t> readBuffer_; // reader thread (or the open) only

    mutable std::mutex timeoutsMutex_;
    CommTimeouts timeouts_;

    uint32_t eventMask_ = 0;
    uint32_t pendingErrors_ = 0; // reader thread only
};

// A network port opened by its name (rfc2217://HOST:PORT, socket://HOST:PORT):
// the device, or why not.
struct NetOpening {
    std::unique_ptr<CommDevice> device;      // null on failure
    OpenRefusal refusal = OpenRefusal::None; // why not, on failure
    std::string reason;                      // the same for people
};
NetOpening OpenNetworkPort(const std::string& name);

} // namespace serial
