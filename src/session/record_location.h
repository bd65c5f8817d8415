#pragma once
// Where this user's calibration records are kept.

#include <string>

// calibration-records.jsonl in the user's data directory for this program
// (file_places.h: $XDG_DATA_HOME/scale-config/ or ~/.local/share/scale-config/;
// on Windows the roaming application data folder), whether or not the
// program runs portable: the records belong to the user, not to a copy of
// the program. Empty when no such directory can be told.
std::string DefaultRecordFilePath();
