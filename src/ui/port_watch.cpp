#include "ui/port_watch.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

// udev makes the by-id link a moment after the node.
constexpr int kSettleMs = 300;

} // namespace

PortWatch::PortWatch(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this))
{
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(settle_, &QTimer::timeout, this, [this] {
        watchExisting();
        emit portsChanged();
    });
}

void PortWatch::watch(const serial::PortDiscoveryRoots& roots)
{
    roots_ = roots;
    if (const QStringList watched = watcher_->directories(); !watched.isEmpty())
        watcher_->removePaths(watched);
    watchExisting();
}

void PortWatch::watchExisting()
{
    const QString byId = QString::fromStdString(roots_.serialById);
    const QStringList wanted = {QString::fromStdString(roots_.dev),
                                QFileInfo(byId).path(), // its parent: by-id may appear in it
                                byId};
    const QStringList watched = watcher_->directories();
    for (const QString& dir : wanted) {
        if (!dir.isEmpty() && !watched.contains(dir) && QFileInfo(dir).isDir())
            watcher_->addPath(dir);
    }
}
