#pragma once
// Acting on a modal dialog the way an operator would, once it is open.

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs `step` on the next modal dialog of type T as soon as it is open and
// active (keystrokes then go to its focused field).
template <typename T> void WhenModal(const std::function<void(T*)>& step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isActiveWindow())
            return;
        timer->stop();
        timer->deleteLater();
        step(dialog);
    });
    timer->start();
}
