// Utf8ToCharset on Windows code pages. One character at a time, so that a
// character the code page lacks, or a bad UTF-8 sequence, gives exactly one
// "?" (a whole-text conversion would give two for a surrogate pair).

#include "app_core/locale_text.h"
#include "app_core/win32_text.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

UINT CodePageOf(const char* charset)
{
    const struct {
        const char* name;
        UINT codePage;
    } names[] = {{"UTF-8", CP_UTF8}, {"GBK", 936}, {"ASCII", 20127}, {"ISO-8859-1", 28591}};
    for (const auto& n : names) {
        if (_stricmp(charset, n.name) == 0)
            return n.codePage;
    }
    if (_strnicmp(charset, "CP", 2) == 0) {
        char* end = nullptr;
        const unsigned long number = std::strtoul(charset + 2, &end, 10);
        if (end != charset + 2 && *end == '\0' && IsValidCodePage(static_cast<UINT>(number)))
            return static_cast<UINT>(number);
    }
    return 0;
}

// Length of the UTF-8 sequence (or lone bad byte) at the start of `in`, as
// the POSIX side counts it, so both give one "?" for the same bytes.
size_t SequenceLength(const unsigned char* in, size_t left)
{
    size_t length = in[0] >= 0xF0 ? 4 : in[0] >= 0xE0 ? 3 : in[0] >= 0xC0 ? 2 : 1;
    if (length > left)
        length = left;
    size_t n = 1;
    while (n < length && (in[n] & 0xC0) == 0x80)
        ++n;
    return n;
}

// The code point of a complete, shortest-form sequence, or -1.
long CodePoint(const unsigned char* in, size_t length)
{
    if (length == 1)
        return in[0] < 0x80 ? in[0] : -1;
    const size_t expected = in[0] >= 0xF0 ? 4 : in[0] >= 0xE0 ? 3 : 2;
    if (length != expected || in[0] >= 0xF8)
        return -1;
    long value = in[0] & (0x7F >> length);
    for (size_t i = 1; i < length; ++i)
        value = (value << 6) | (in[i] & 0x3F);
    static const long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return -1;
    return value;
}

} // namespace

std::string Utf8ToCharset(std::string_view utf8, const char* charset)
{
    const UINT codePage = CodePageOf(charset);
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = SequenceLength(bytes + i, utf8.size() - i);
        const long value = CodePoint(bytes + i, length);
        if (value < 0) {
            out += '?';
        } else if (codePage == CP_UTF8) {
            out.append(utf8.substr(i, length));
        } else if (value < 0x80 || codePage == 0) {
            out += value < 0x80 ? static_cast<char>(value) : '?';
        } else {
            wchar_t units[2];
            int count = 1;
            if (value >= 0x10000) {
                units[0] = static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
                units[1] = static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
                count = 2;
            } else {
                units[0] = static_cast<wchar_t>(value);
            }
            char converted[8];
            BOOL usedDefault = FALSE;
            const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count,
                                              converted, sizeof converted, "?", &usedDefault);
            if (n <= 0 || usedDefault)
                out += '?';
            else
                out.append(converted, static_cast<size_t>(n));
        }
        i += length;
    }
    return out;
}

std::string Utf8ToLocaleCharset(std::string_view utf8)
{
    return Utf8ToCharset(utf8, ("CP" + std::to_string(GetACP())).c_str());
}

std::string AnsiTextToUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int count =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return Utf8FromWide(wide);
}
