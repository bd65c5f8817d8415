#pragma once

// A settings file in the classic INI layout, read and written one key at a
// time the way Windows profile files behave:
//  - "[Section]" lines start sections; "key=value" lines hold entries.
//    Section and key names compare without regard to (ASCII) case, with
//    surrounding blanks ignored; the first matching section and key count.
//  - Values are read with surrounding blanks removed, and one pair of
//    matching quotes ('...' or "...") around the whole value dropped.
//  - Integers are decimal with an optional sign, or hexadecimal after "0x";
//    anything else, or a number beyond 32 bits, reads as the default.
//  - A UTF-8 byte-order mark before the first line is passed over. A file
//    that is UTF-8 throughout is read as UTF-8, any other in the ANSI code
//    page of a Chinese Windows (AnsiTextToUtf8); values read are UTF-8.
//    Writing keeps the file's bytes as they are (see below).
//  - Reading never fails and never creates the file: a missing or
//    unreadable file, section or key gives the default. Reading never
//    waits and never reads without limit: anything but a regular file (a
//    FIFO, a device) and a file over 1 MB read like a missing file.
//  - Writing a key changes only the text after "=" on that key's line, or
//    adds the line at the end of its section, or adds the section at the
//    end of the file, or creates the file. Every other byte stays as it was,
//    and new lines follow the file's own line ends.
//  - A write replaces the file whole or not at all: the new text goes to a
//    temporary file in the same directory, is flushed to disk and renamed
//    over the old file (through a symbolic link, onto the file it names;
//    the file's permissions are kept). After any failure the old file is
//    exactly as it was.
//
// No caching: every call reads the file anew, every write rewrites it.

#include <stdexcept>
#include <string>
#include <string_view>

// A key could not be written. The message is "Unable to write to " + path.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) { }

    const std::string& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // An integer: 0 is false, any other value true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Throw IniFileError when the file cannot be read back whole or
    // written, and for a section, key or value that would break the file's
    // layout (a line break, a key with "=" or starting with "[").
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

private:
    std::string path_;
};
