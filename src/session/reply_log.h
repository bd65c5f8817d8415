#pragma once
// The controller's replies other than measurements, in arrival order, with
// the reply flags each one set while it was handled. An operation takes a
// mark before it sends and then looks for its answer among the replies
// since the mark, so no answer is lost to a flag cleared or set by another
// operation, and nested operations (a press while another waits) each see
// their own answers.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "protocol/frame.h"
#include "protocol/replies.h"

class ReplyLog {
public:
    using Mark = uint64_t;

    // The position after the last reply: replies from now on come after it.
    Mark mark() const { return first_ + entries_.size(); }

    // A reply arrives; it becomes the current one until the next.
    void add(const uint8_t* frame);
    // The reply being handled set one of the reply flags.
    void flagCurrent(ReplyFlag flag);

    // The first reply after `since` with one of `codes` (none: nullopt).
    std::optional<ReplyFrame> find(Mark since, std::initializer_list<uint8_t> codes) const;
    // The first reply after `since` that matches.
    std::optional<ReplyFrame> find(Mark since,
                                   const std::function<bool(const ReplyFrame&)>& matches) const;
    // Every reply after `since` with one of `codes`, in order.
    std::vector<ReplyFrame> all(Mark since, std::initializer_list<uint8_t> codes) const;
    // Whether a reply after `since` set the flag.
    bool flagged(Mark since, ReplyFlag flag) const;

    // Replies kept: enough for the longest operation (the 32 log records and
    // the replies around them); older ones are let go.
    static constexpr size_t kKept = 256;

private:
    struct Entry {
        ReplyFrame frame;
        uint32_t flags = 0;
    };
    size_t indexOf(Mark since) const { return since <= first_ ? 0 : since - first_; }

    std::deque<Entry> entries_;
    Mark first_ = 0; // the mark of entries_.front()
};
