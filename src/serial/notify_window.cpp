#include "serial/notify_window.h"

NotifyWindow::NotifyWindow(PostFunction post, WndProc proc)
    : post_(std::move(post)), proc_(std::make_shared<WndProc>(std::move(proc)))
{
}

NotifyWindow::~NotifyWindow() = default;

bool NotifyWindow::PostMessage(CommMessage message) const
{
    std::weak_ptr<WndProc> target = proc_;
    try {
        post_([target, message = std::move(message)]() mutable {
            if (std::shared_ptr<WndProc> proc = target.lock())
                (*proc)(message);
        });
        return true;
    } catch (...) {
        return false;
    }
}
