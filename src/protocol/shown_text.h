#pragma once

// Texts the operator sees are written in Chinese, the source language of the
// window's translations. The Qt-free layers mark theirs with SHOWN_TEXT so
// that Qt's lupdate collects them (it takes the name for QT_TRANSLATE_NOOP,
// see translations/CMakeLists.txt); the mark expands to the text itself.
// The session, its logs and scale-cli therefore keep the Chinese; the window
// looks a text up whole when it shows it (app/shown_text.h).
//
// Contexts: "ScaleSession" for status lines, boxes and questions (the
// replies' texts included), "GravityTable" for the names of places.

#define SHOWN_TEXT(context, text) text
