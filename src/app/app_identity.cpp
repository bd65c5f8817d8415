#include "app/app_identity.h"

#include <QGuiApplication>

#include "app_core/file_places.h"

namespace {

QString FromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString VersionText()
{
    return FromView(kApplicationName) + QLatin1Char(' ') + QStringLiteral(SCALE_VERSION);
}

void SetApplicationIdentity()
{
    QCoreApplication::setOrganizationName(FromView(kOrganizationName));
    QCoreApplication::setApplicationName(FromView(kApplicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCALE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(SCALE_DESKTOP_ID));
}

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/icons/scale-config.svg")); }
