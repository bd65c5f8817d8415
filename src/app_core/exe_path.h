#pragma once

#include <string>

// Directory of the running executable in UTF-8, ending with "/" ("\\" on
// Windows) so that a file name can be appended directly. The settings file
// and the result and error logs live there. Empty (the current directory)
// when the system cannot tell.
std::string ExecutableDirectory();
