#include "serial/write_inbox.h"

WriteInbox::WriteInbox(std::unique_ptr<serial::Event> notEmpty, std::atomic<bool>& sendDataEmpty)
    : notEmpty_(std::move(notEmpty)), sendDataEmpty_(sendDataEmpty)
{
}

bool WriteInbox::Post(Block block)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return false;
    sendDataEmpty_.store(false); // cleared before the writer can take the block
    blocks_.push_back(std::move(block));
    notEmpty_->Set();
    return true;
}

std::optional<WriteInbox::Block> WriteInbox::Take()
{
    std::lock_guard lock(mutex_);
    if (blocks_.empty()) {
        sendDataEmpty_.store(true);
        notEmpty_->Reset();
        return std::nullopt;
    }
    Block block = std::move(blocks_.front());
    blocks_.pop_front();
    return block;
}

void WriteInbox::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    blocks_.clear();
}
