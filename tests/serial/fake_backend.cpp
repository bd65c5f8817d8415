#include "fake_backend.h"

#include <algorithm>
#include <cstring>

using namespace serial;

namespace {

class FakeDevice : public CommDevice {
    // Every call records or reads the script under its lock and wakes waiters.
    template <typename F> auto Locked(F f)
    {
        std::lock_guard lock(s_.mutex);
        s_.changed.notify_all();
        return f();
    }

public:
    FakeDevice(FakeBackend& backend, FakeScript& script) : backend_(backend), s_(script)
    {
        std::lock_guard lock(s_.mutex);
        ++s_.openDevices;
    }
    ~FakeDevice() override
    {
        std::lock_guard lock(s_.mutex);
        --s_.openDevices;
        s_.changed.notify_all();
    }

    uint32_t NativeHandle() const override { return 42; }
    bool SetupQueues(uint32_t, uint32_t) override
    {
        return Locked([&] { return s_.setupQueuesOk; });
    }
    void Purge(uint32_t flags) override
    {
        Locked([&] { s_.purges.push_back(flags); });
    }
    bool ApplyState(const LineSettings& state) override
    {
        Locked([&] { s_.states.push_back(state); });
        return true;
    }
    bool ApplyTimeouts(const CommTimeouts& timeouts) override
    {
        Locked([&] { s_.timeouts.push_back(timeouts); });
        return true;
    }
    bool GetModemStatus(uint32_t& bits) override
    {
        return Locked([&] {
            bits = s_.modemBits;
            return s_.modemStatusOk;
        });
    }

    bool BeginReader(uint32_t) override
    {
        return Locked([&] { return s_.beginReaderOk; });
    }
    ReaderEvent WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity) override
    {
        for (;;) {
            {
                std::lock_guard lock(s_.mutex);
                if (close.IsSet())
                    return {ReaderEvent::Closed, 0};
                if (!s_.readerSteps.empty()) {
                    ReaderStep step = std::move(s_.readerSteps.front());
                    s_.readerSteps.pop_front();
                    if (!step.data.empty()) {
                        step.event.value =
                            std::min<uint32_t>(static_cast<uint32_t>(step.data.size()), capacity);
                        std::memcpy(buffer, step.data.data(), step.event.value);
                    }
                    return step.event;
                }
                s_.stepAdded->Reset();
            }
            if (backend_.WaitForEither(close, *s_.stepAdded) != 1)
                return {ReaderEvent::Closed, 0};
        }
    }
    IoStatus ClearErrors(uint32_t& errors) override
    {
        return Locked([&] {
            errors = s_.lineErrors;
            return s_.clearErrorsStatus;
        });
    }
    void EndReader() override
    {
        Locked([&] { s_.readerEnded = true; });
    }

    bool BeginWriter() override
    {
        return Locked([&] { return s_.beginWriterOk; });
    }
    WriteOutcome Write(const Event& close, const uint8_t* data, uint32_t count) override
    {
        {
            std::lock_guard lock(s_.mutex);
            if (close.IsSet())
                return {IoStatus::Closed, 0};
            if (!s_.writeSteps.empty() || !s_.writesStall) {
                WriteStep step;
                if (!s_.writeSteps.empty()) {
                    step = s_.writeSteps.front();
                    s_.writeSteps.pop_front();
                }
                if (step.status != IoStatus::Ok)
                    return {step.status, 0};
                const uint32_t sent = std::min(step.maxBytes, count);
                s_.written.insert(s_.written.end(), data, data + sent);
                s_.changed.notify_all();
                return {IoStatus::Ok, sent};
            }
        }
        backend_.WaitForEither(close, *s_.never); // stalled until the port closes
        return {IoStatus::Closed, 0};
    }
    void EndWriter() override
    {
        Locked([&] { s_.writerEnded = true; });
    }

private:
    FakeBackend& backend_;
    FakeScript& s_;
};

} // namespace

void FakeScript::AddReaderStep(ReaderStep step)
{
    std::lock_guard lock(mutex);
    readerSteps.push_back(std::move(step));
    stepAdded->Set();
}

bool FakeScript::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, done);
}

FakeBackend::FakeBackend()
{
    script.stepAdded = DefaultCommBackend().NewEvent();
    script.never = DefaultCommBackend().NewEvent();
}

int FakeBackend::Open(const std::string&, std::unique_ptr<CommDevice>& device)
{
    {
        std::lock_guard lock(script.mutex);
        if (script.openResult != 0)
            return script.openResult;
    }
    device = std::make_unique<FakeDevice>(*this, script);
    return 0;
}

std::unique_ptr<Event> FakeBackend::NewEvent()
{
    {
        std::lock_guard lock(script.mutex);
        if (script.newEventCalls++ == script.failNewEventCall)
            return nullptr;
    }
    return DefaultCommBackend().NewEvent();
}

int FakeBackend::WaitForEither(const Event& first, const Event& second)
{
    return DefaultCommBackend().WaitForEither(first, second);
}
