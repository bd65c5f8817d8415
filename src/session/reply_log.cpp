#include "session/reply_log.h"

#include <algorithm>

namespace {

uint32_t Bit(ReplyFlag flag) { return 1u << static_cast<unsigned>(flag); }

} // namespace

void ReplyLog::add(const uint8_t* frame)
{
    Entry entry;
    std::copy(frame, frame + kReplyFrameSize, entry.frame.begin());
    entries_.push_back(entry);
    if (entries_.size() > kKept) {
        entries_.pop_front();
        ++first_;
    }
}

void ReplyLog::flagCurrent(ReplyFlag flag)
{
    if (!entries_.empty())
        entries_.back().flags |= Bit(flag);
}

std::optional<ReplyFrame> ReplyLog::find(Mark since, std::initializer_list<uint8_t> codes) const
{
    return find(since, [codes](const ReplyFrame& frame) {
        return std::find(codes.begin(), codes.end(), frame[1]) != codes.end();
    });
}

std::optional<ReplyFrame>
ReplyLog::find(Mark since, const std::function<bool(const ReplyFrame&)>& matches) const
{
    for (size_t i = indexOf(since); i < entries_.size(); ++i)
        if (matches(entries_[i].frame))
            return entries_[i].frame;
    return std::nullopt;
}

std::vector<ReplyFrame> ReplyLog::all(Mark since, std::initializer_list<uint8_t> codes) const
{
    std::vector<ReplyFrame> found;
    for (size_t i = indexOf(since); i < entries_.size(); ++i)
        if (std::find(codes.begin(), codes.end(), entries_[i].frame[1]) != codes.end())
            found.push_back(entries_[i].frame);
    return found;
}

bool ReplyLog::flagged(Mark since, ReplyFlag flag) const
{
    for (size_t i = indexOf(since); i < entries_.size(); ++i)
        if (entries_[i].flags & Bit(flag))
            return true;
    return false;
}
