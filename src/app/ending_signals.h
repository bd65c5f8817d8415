#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the event
// loops are left and the window, its session and its port closed as at a
// normal end, so that the port's exclusive use is released. (The signal
// handler only writes a byte; the quit happens in the event loop.) Nothing
// on Windows.

#include <QObject>

class QSocketNotifier;

class EndingSignals : public QObject {
public:
    explicit EndingSignals(QObject* parent = nullptr);
    ~EndingSignals() override;
    // A signal came: the program is ending. An exit requested before the
    // main event loop has started (while the port is opened at start-up)
    // would be lost, so main() asks this before it runs the loop.
    bool received() const { return received_; }

private:
    QSocketNotifier* notifier_ = nullptr;
    bool received_ = false;
};
