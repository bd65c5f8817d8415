#pragma once

// A scripted device for what a pty cannot show: line errors, modem-line
// changes, failing calls, partial writes, reads that complete empty, and
// what a real port under wine cannot show. Events and waits are those of
// this system's own backend.

#include "serial/comm_backend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

struct ReaderStep {
    serial::ReaderEvent event;
    std::vector<uint8_t> data; // for ReadDone: copied into the read buffer
};

struct WriteStep {
    serial::IoStatus status = serial::IoStatus::Ok;
    uint32_t maxBytes = UINT32_MAX; // an Ok write sends at most this many
};

// Shared by the test and the devices the backend opens; guarded by `mutex`.
struct FakeScript {
    std::mutex mutex;
    std::condition_variable changed;

    // What the calls answer.
    int openResult = 0;
    bool setupQueuesOk = true;
    int failNewEventCall = -1; // 0 = the first NewEvent fails
    bool beginReaderOk = true;
    bool beginWriterOk = true;
    std::deque<ReaderStep> readerSteps; // when empty the reader waits for more, or the close
    serial::IoStatus clearErrorsStatus = serial::IoStatus::Ok;
    uint32_t lineErrors = 0;
    std::deque<WriteStep> writeSteps; // when empty a write sends everything ...
    bool writesStall = false;         // ... or waits for the close
    bool modemStatusOk = true;
    uint32_t modemBits = 0;

    // What happened.
    int newEventCalls = 0;
    int openDevices = 0;
    std::vector<serial::LineSettings> states;
    std::vector<serial::CommTimeouts> timeouts;
    std::vector<uint32_t> purges;
    std::vector<uint8_t> written;
    bool readerEnded = false;
    bool writerEnded = false;

    void AddReaderStep(ReaderStep step);
    // Waits until `done()` holds (checked under the mutex).
    bool WaitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

    std::unique_ptr<serial::Event> stepAdded; // wakes a reader waiting for steps
    std::unique_ptr<serial::Event> never; // never set: a stalled write waits for the close alone
};

class FakeBackend : public serial::CommBackend {
public:
    FakeBackend();
    int Open(const std::string& name, std::unique_ptr<serial::CommDevice>& device) override;
    std::unique_ptr<serial::Event> NewEvent() override;
    int WaitForEither(const serial::Event& first, const serial::Event& second) override;
    std::vector<std::string> ListPorts() override { return {}; }

    FakeScript script;
};
