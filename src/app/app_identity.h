#pragma once
// The program as the desktop sees it: its name (which also names its
// per-user directories, see app_core/file_places.h), its version, its
// desktop entry and its icon.

#include <QIcon>
#include <QString>

// "scale-config 2.2": the program's name and the project's version.
QString VersionText();

// Gives QCoreApplication the program's name, organisation and version and
// QGuiApplication its desktop entry. Works before the application object
// exists, so that --help and --version can be answered without a display.
void SetApplicationIdentity();

// The program's icon, drawn from its SVG (null when Qt's SVG support is not
// installed).
QIcon ApplicationIcon();
