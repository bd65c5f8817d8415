#include "app_core/ini_file.h"

#include "app_core/file_io.h"
#include "app_core/locale_text.h"

#include <cerrno>
#include <charconv>
#include <optional>

namespace {

// Settings files are a few hundred bytes; anything beyond this is not one.
constexpr size_t kMaxFileSize = 1 << 20;

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s)
{
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::optional<std::string_view> SectionName(std::string_view line)
{
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const std::string_view inside = t.substr(1);
    return Trim(inside.substr(0, inside.find(']')));
}

// Where a key is, or where it would go, in the file's text.
struct KeyLocation {
    bool sectionFound = false;
    size_t insertAt = 0; // after the section's last non-blank line
    bool keyFound = false;
    size_t valueBegin = 0; // first non-blank after "="
    size_t valueEnd = 0;   // end of the line, before its line end
};

// The UTF-8 byte-order mark a Windows editor puts before the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

KeyLocation FindKey(const std::string& text, std::string_view section, std::string_view key)
{
    KeyLocation at;
    bool inSection = false;
    const size_t start =
        std::string_view(text).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    for (size_t begin = start; begin < text.size();) {
        size_t next = text.find('\n', begin);
        next = next == std::string::npos ? text.size() : next + 1;
        size_t end = next;
        if (end > begin && text[end - 1] == '\n')
            --end;
        if (end > begin && text[end - 1] == '\r')
            --end;
        const std::string_view line(text.data() + begin, end - begin);

        if (const auto name = SectionName(line)) {
            if (inSection)
                break;
            if (!at.sectionFound && SameName(*name, section)) {
                inSection = at.sectionFound = true;
                at.insertAt = next;
            }
        } else if (inSection && !Trim(line).empty()) {
            at.insertAt = next;
            const size_t equals = line.find('=');
            if (equals != std::string_view::npos && SameName(Trim(line.substr(0, equals)), key)) {
                at.keyFound = true;
                const size_t value = line.find_first_not_of(kBlanks, equals + 1);
                at.valueBegin = begin + (value == std::string_view::npos ? line.size() : value);
                at.valueEnd = end;
                break;
            }
        }
        begin = next;
    }
    return at;
}

bool IsUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80                    ? 1
                              : lead >= 0xC2 && lead <= 0xDF ? 2
                              : lead >= 0xE0 && lead <= 0xEF ? 3
                              : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                             : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        // Overlong forms, surrogates and code points beyond U+10FFFF.
        const auto second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
    }
    return true;
}

bool ParseInteger(std::string_view text, int& value)
{
    int base = 10;
    bool signAllowed = true;
    if (text.size() > 2 && text[0] == '0' && AsciiLower(text[1]) == 'x') {
        base = 16;
        signAllowed = false;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '+') {
        signAllowed = false;
        text.remove_prefix(1);
    }
    // from_chars reads a "-" of its own, and only where a sign may stand.
    if (text.empty() || text[0] == '+' || (text[0] == '-' && !signAllowed))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    std::optional<std::string> text = ReadWholeFile(path_, kMaxFileSize);
    if (!text)
        return std::string(defaultValue);
    // A file saved in the ANSI code page of a Chinese Windows is read as
    // such; one that is UTF-8 throughout, as UTF-8.
    if (!IsUtf8(*text))
        text = AnsiTextToUtf8(*text);
    const KeyLocation at = FindKey(*text, section, key);
    if (!at.keyFound)
        return std::string(defaultValue);
    std::string_view value =
        Trim(std::string_view(*text).substr(at.valueBegin, at.valueEnd - at.valueBegin));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    int value = 0;
    return ParseInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const auto breaksLine = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    const std::string_view trimmedKey = Trim(key);
    if (breaksLine(section) || breaksLine(key) || breaksLine(value) ||
        section.find(']') != std::string_view::npos || trimmedKey.empty() ||
        trimmedKey.front() == '[' || key.find('=') != std::string_view::npos)
        throw IniFileError("Unable to write to " + path_ + ": the section \"" +
                           std::string(section) + "\", key \"" + std::string(key) +
                           "\" or its value cannot be stored in an INI file");

    // Everything else in the file is kept, so a file that exists but cannot
    // be read must not be overwritten.
    std::optional<std::string> existing = ReadWholeFile(path_, kMaxFileSize);
    if (!existing && errno != ENOENT)
        throw IniFileError("Unable to write to " + path_);
    std::string text = existing ? std::move(*existing) : std::string();

    const size_t firstBreak = text.find('\n');
    const std::string lineEnd =
        firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r' ? "\r\n"
                                                                                          : "\n";
    const auto endLastLine = [&](size_t at) {
        return at > 0 && text[at - 1] != '\n' ? lineEnd : std::string();
    };
    const std::string entry = std::string(key) + "=" + std::string(value) + lineEnd;

    const KeyLocation at = FindKey(text, section, key);
    if (at.keyFound)
        text.replace(at.valueBegin, at.valueEnd - at.valueBegin, value);
    else if (at.sectionFound)
        text.insert(at.insertAt, endLastLine(at.insertAt) + entry);
    else
        text += endLastLine(text.size()) + "[" + std::string(section) + "]" + lineEnd + entry;

    if (!ReplaceWholeFile(path_, text))
        throw IniFileError("Unable to write to " + path_);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}
