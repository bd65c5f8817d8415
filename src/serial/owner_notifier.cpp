#include "serial/owner_notifier.h"

OwnerNotifier::OwnerNotifier(PostFunction post, Handler handler)
    : post_(std::move(post)), handler_(std::make_shared<Handler>(std::move(handler)))
{
}

OwnerNotifier::~OwnerNotifier() = default;

bool OwnerNotifier::Notify(CommNotice notice) const
{
    std::weak_ptr<Handler> target = handler_;
    try {
        post_([target, notice = std::move(notice)]() mutable {
            if (std::shared_ptr<Handler> handler = target.lock())
                (*handler)(notice);
        });
        return true;
    } catch (...) {
        return false;
    }
}
