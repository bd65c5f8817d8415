#pragma once

// Where the settings file and the result and error logs lie.
//
// Portable use: the executable's directory can be written (a build tree, a
// folder copied to a workstation). Everything lies beside the executable,
// as it always has.
//
// Installed: the executable's directory cannot be written, or it lies in
// the system's /usr tree (which belongs to the package manager, even when
// the program runs as root). The settings file lies in the user's
// configuration directory and the result and error logs in the user's data
// directory; these are the directories Qt names AppConfigLocation and
// AppDataLocation for an application called kApplicationName (no
// organisation), which the Qt side of the program sets:
//
//   settings  $XDG_CONFIG_HOME/scale-config/  (else $HOME/.config/scale-config/)
//   logs      $XDG_DATA_HOME/scale-config/    (else $HOME/.local/share/scale-config/)
//
// An XDG variable that is unset, empty or not an absolute path is ignored,
// as the base-directory rules say. Without an absolute $HOME the home
// directory comes from the user database. Each directory, with any missing
// parent, is made (mode 0700) the first time it is asked for.
//
// The choice between the two is made once, at the first call, and holds for
// the life of the process. The operation log is not affected: it stays
// $HOME/oplog.txt (log_files.h).

#include <string>
#include <string_view>

// The names the per-user directories are made of; the Qt side gives them to
// QCoreApplication, so that QStandardPaths names the same directories.
inline constexpr std::string_view kOrganizationName = "";
inline constexpr std::string_view kApplicationName = "scale-config";

// True when the settings and logs lie beside the executable.
bool PortableUse();

// The directory of the settings file and that of the result and error
// logs, each ending with "/" (empty for the current directory when the
// executable's place cannot be told, as ExecutableDirectory()).
std::string SettingsDirectory();
std::string LogDirectory();

// Makes `path` and any missing parent with mode 0700, for the user's own
// data (records, keys); an existing `path` of the user's that others may
// enter is narrowed to 0700 (POSIX). False when it cannot be made.
bool MakePrivateDirectory(const std::string& path);

// The user's configuration and data directories for this program, without
// a final "/", whichever use this is; nothing is made.
std::string UserConfigDirectory();
std::string UserDataDirectory();
