# The window's translations. The texts are written in Chinese (the source
# language); scale-config_en.ts holds their English translation. lupdate
# reads the sources below: tr() and QCoreApplication::translate on the Qt
# side, SHOWN_TEXT in the Qt-free layers (protocol/shown_text.h), which it
# takes for QT_TRANSLATE_NOOP. No line numbers are stored, so the file only
# changes when a text does.
#
# After changing a text: cmake --build --preset default --target update_translations,
# translate what came new (type="unfinished") and drop the mark.
# The test translations_in_sync fails until then.

set(SCALE_TS_FILES ${CMAKE_SOURCE_DIR}/translations/scale-config_en.ts)
file(GLOB SCALE_TRANSLATED_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/protocol/*.h ${CMAKE_SOURCE_DIR}/src/protocol/*.cpp
  ${CMAKE_SOURCE_DIR}/src/session/*.h ${CMAKE_SOURCE_DIR}/src/session/*.cpp
  ${CMAKE_SOURCE_DIR}/src/app/*.h ${CMAKE_SOURCE_DIR}/src/app/*.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/*.h ${CMAKE_SOURCE_DIR}/src/ui/*.cpp
  ${CMAKE_SOURCE_DIR}/src/program/*.h ${CMAKE_SOURCE_DIR}/src/program/*.cpp)
set(SCALE_TRANSLATED_INCLUDES ${CMAKE_SOURCE_DIR}/src)
set(SCALE_LUPDATE_OPTIONS -tr-function-alias QT_TRANSLATE_NOOP+=SHOWN_TEXT -locations none -no-obsolete)
