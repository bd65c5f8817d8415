#pragma once

#include <string>
#include <string_view>

// The logs are written in the workstation's own 8-bit character set, as a
// plain text editor of that workstation expects them: on POSIX the character
// set of the program's locale (nl_langinfo(CODESET) after setlocale(LC_ALL,
// ""), through iconv), on Windows the ANSI code page (CP_ACP); GBK (code
// page 936) on a Simplified Chinese system.

// Converts UTF-8 text into `charset`. Every character the charset cannot
// represent, and every byte that is not valid UTF-8, becomes "?". When the
// charset is unknown, the result is ASCII with "?" for everything else.
// Names: any iconv name on POSIX; on Windows "CP<n>" (a code page number),
// "GBK", "UTF-8", "ASCII" and "ISO-8859-1".
std::string Utf8ToCharset(std::string_view utf8, const char* charset);

// Utf8ToCharset into the character set of the current locale (Windows: the
// ANSI code page).
std::string Utf8ToLocaleCharset(std::string_view utf8);

// Text of a Chinese Windows workstation's ANSI code page (a settings file
// saved there) into UTF-8: on Windows the ANSI code page, elsewhere GB18030
// (which reads every GBK text). A byte that is no character becomes U+FFFD.
std::string AnsiTextToUtf8(std::string_view text);
