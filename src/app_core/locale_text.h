#pragma once

#include <string>
#include <string_view>

// The logs are written in the workstation's own 8-bit character set, as a
// plain text editor of that workstation expects them: on POSIX the character
// set of the program's locale (nl_langinfo(CODESET) after setlocale(LC_ALL,
// "")), GBK on a Simplified Chinese system.

// Converts UTF-8 text into `charset` (an iconv name). Every character the
// charset cannot represent, and every byte that is not valid UTF-8, becomes
// "?". When iconv does not know the charset, the result is ASCII with "?"
// for everything else.
std::string Utf8ToCharset(std::string_view utf8, const char* charset);

// Utf8ToCharset into the character set of the current locale.
std::string Utf8ToLocaleCharset(std::string_view utf8);
