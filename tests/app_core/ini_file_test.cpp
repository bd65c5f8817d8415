#include "app_core/ini_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <vector>

namespace {

// The names in a directory, sorted (a failed replace must leave no stray file).
[[maybe_unused]] std::vector<std::string> DirectoryNames(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "datalink.ini";
    IniFile ini{path};
};

TEST_F(IniFileTest, ReadsIntegersDecimalOrHexAndFallsBackOnAnythingElse)
{
    WriteFileBytes(path, "[Numbers]\n"
                         "dec=123\n"
                         "neg=-5\n"
                         "plus=+7\n"
                         "blanks=  42 \t\n"
                         "hex=0x1F\n"
                         "HEXUP=0X7fffffff\n"
                         "max=2147483647\n"
                         "min=-2147483648\n"
                         "letters=abc\n"
                         "trailing=12abc\n"
                         "empty=\n"
                         "barehex=0x\n"
                         "badhex=0xZZ\n"
                         "neghex=0x-5\n"
                         "hexneg=-0x5\n"
                         "twosigns=+-5\n"
                         "toolarge=2147483648\n"
                         "hextoolarge=0x80000000\n"
                         "decimal=1.5\n"
                         "comment=9600 ; fast\n");
    const struct {
        const char* key;
        int expected;
    } cases[] = {
        {"dec", 123},     {"neg", -5},           {"plus", 7},         {"blanks", 42},
        {"hex", 31},      {"HEXUP", 2147483647}, {"max", 2147483647}, {"min", -2147483647 - 1},
        {"letters", -1},  {"trailing", -1},      {"empty", -1},       {"barehex", -1},
        {"badhex", -1},   {"neghex", -1},        {"hexneg", -1},      {"twosigns", -1},
        {"toolarge", -1}, {"hextoolarge", -1},   {"decimal", -1},     {"comment", -1},
        {"missing", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadInteger("Numbers", c.key, -1), c.expected) << c.key;
}

TEST_F(IniFileTest, BooleansAreIntegersZeroFalseOtherTrue)
{
    WriteFileBytes(path, "[B]\r\nzero=0\r\nfive=5\r\nhex=0x10\r\nword=yes\r\n");
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "five", false));
    EXPECT_TRUE(ini.ReadBool("B", "hex", false));
    EXPECT_TRUE(ini.ReadBool("B", "word", true)); // not an integer: default
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_TRUE(ini.ReadBool("B", "missing", true));
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndTheFirstMatchCounts)
{
    WriteFileBytes(path, "CommNo=outside\r\n"
                         "; CommNo=commented\r\n"
                         "[ commset ]\r\n"
                         "  COMMNO = COM7  \r\n"
                         "commno=second\r\n"
                         "[Other]\r\n"
                         "CommNo=other\r\n"
                         "[CommSet]\r\n"
                         "CommNo=repeated section\r\n"
                         "Baud=\"9600\"\r\n");
    EXPECT_EQ(ini.ReadString("CommSet", "CommNo", "Com3"), "COM7");
    EXPECT_EQ(ini.ReadString("COMMSET", "commno", "Com3"), "COM7");
    EXPECT_EQ(ini.ReadString("other", "COMMNO", ""), "other");
    // Keys of a repeated section are not seen, as in Windows profile files.
    EXPECT_EQ(ini.ReadString("CommSet", "Baud", "none"), "none");
}

TEST_F(IniFileTest, ValuesLoseSurroundingBlanksAndOnePairOfQuotes)
{
    WriteFileBytes(path, "[S]\nA=  /dev/pts/5\t\nB=\"quoted text\"\nC='x'\nD=\"open\nE=a=b\nF=\n");
    EXPECT_EQ(ini.ReadString("S", "A", "?"), "/dev/pts/5");
    EXPECT_EQ(ini.ReadString("S", "B", "?"), "quoted text");
    EXPECT_EQ(ini.ReadString("S", "C", "?"), "x");
    EXPECT_EQ(ini.ReadString("S", "D", "?"), "\"open");
    EXPECT_EQ(ini.ReadString("S", "E", "?"), "a=b");
    EXPECT_EQ(ini.ReadString("S", "F", "?"), "");
}

// The file as a Windows editor saves it: with a byte-order mark before the
// first section, or in the ANSI code page of a Chinese Windows (GBK).
TEST_F(IniFileTest, ReadsAFileSavedByAWindowsEditor)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* operatorName; // [Calibration] Operator as read, UTF-8
    };
    const Case cases[] = {
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF[CommSet]\r\nCommNo=/dev/pts/9\r\n[Calibration]\r\nOperator=张工\r\n",
         "张工"},
        {"GBK", "[CommSet]\r\nCommNo=/dev/pts/9\r\n[Calibration]\r\nOperator=\xD5\xC5\xB9\xA4\r\n",
         "张工"},
#ifndef _WIN32 // Windows has its own stand-in for such a byte
        {"GBK with a byte of no character",
         "[CommSet]\nCommNo=/dev/pts/9\n[Calibration]\nOperator=\xD5\xC5\xFF\n", "张\xEF\xBF\xBD"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path, c.bytes);
        EXPECT_EQ(ini.ReadString("CommSet", "CommNo", "Com3"), "/dev/pts/9");
        EXPECT_EQ(ini.ReadString("Calibration", "Operator", ""), c.operatorName);
    }

    // A write after the mark changes the value in its section, not a second one.
    WriteFileBytes(path, "\xEF\xBB\xBF[CommSet]\r\nCommNo=COM1\r\n");
    ini.WriteString("CommSet", "CommNo", "/dev/pts/9");
    EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF[CommSet]\r\nCommNo=/dev/pts/9\r\n");
}

TEST_F(IniFileTest, ReadingAMissingFileGivesDefaultsAndCreatesNothing)
{
    EXPECT_EQ(ini.ReadString("CommSet", "CommNo", "Com3"), "Com3");
    EXPECT_EQ(ini.ReadInteger("CommSet", "BaudRate", 115200), 115200);
    EXPECT_FALSE(FileExists(path));

    // A directory in place of the file reads like a missing file.
    IniFile notAFile(dir.path());
    EXPECT_EQ(notAFile.ReadString("CommSet", "CommNo", "Com3"), "Com3");
}

TEST_F(IniFileTest, WritingCreatesFileAndSection)
{
    ini.WriteString("CommSet", "CommNo", "/dev/pts/5");
    ini.WriteInteger("CommSet", "BaudRate", 9600);
    EXPECT_EQ(ReadFileBytes(path), "[CommSet]\nCommNo=/dev/pts/5\nBaudRate=9600\n");
    EXPECT_EQ(ini.ReadString("CommSet", "CommNo", ""), "/dev/pts/5");
    EXPECT_EQ(ini.ReadInteger("CommSet", "BaudRate", 0), 9600);
}

TEST_F(IniFileTest, WritingChangesOnlyItsOwnValueAndKeepsEveryOtherByte)
{
    const std::string before = "; settings of the scale tool\r\n"
                               "\r\n"
                               "[SysSet]\r\n"
                               "writeResult = 0\r\n"
                               "ShopNO=店 12  \r\n"
                               "\r\n"
                               "[commset]\r\n"
                               "  commno =  COM1 ; old port\r\n"
                               "  Other = kept\r\n"
                               "\r\n"
                               "[Tail]\r\n"
                               "x=1";
    WriteFileBytes(path, before);

    ini.WriteString("CommSet", "CommNo", "//./COM12");
    std::string expected = before;
    expected.replace(expected.find("COM1 ; old port"), 15, "//./COM12");
    EXPECT_EQ(ReadFileBytes(path), expected);

    // A new key goes after the section's last line, before the blank line,
    // with the file's own CR LF.
    ini.WriteInteger("CommSet", "BaudRate", 115200);
    expected.insert(expected.find("\r\n[Tail]"), "BaudRate=115200\r\n");
    EXPECT_EQ(ReadFileBytes(path), expected);

    // A new section goes at the end; the unterminated last line is ended.
    ini.WriteString("New", "k", "v");
    expected += "\r\n[New]\r\nk=v\r\n";
    EXPECT_EQ(ReadFileBytes(path), expected);

    // A key in the last section of a file whose last line has no line end.
    WriteFileBytes(path, "[CommSet]\nCommNo=COM2");
    ini.WriteInteger("commSET", "baudrate", 4800);
    EXPECT_EQ(ReadFileBytes(path), "[CommSet]\nCommNo=COM2\nbaudrate=4800\n");
    ini.WriteInteger("CommSet", "BaudRate", 9600);
    EXPECT_EQ(ReadFileBytes(path), "[CommSet]\nCommNo=COM2\nbaudrate=9600\n");
}

TEST_F(IniFileTest, WriteFailuresNameTheFile)
{
    // A path below a regular file cannot be created, even by root.
    WriteFileBytes(dir / "plain", "x");
    IniFile blocked(dir / "plain/datalink.ini");
    try {
        blocked.WriteString("CommSet", "CommNo", "COM3");
        FAIL() << "no exception";
    } catch (const IniFileError& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + dir / "plain/datalink.ini").c_str());
    }

    // A file that cannot be read back whole is not overwritten.
    IniFile directory(dir.path());
    EXPECT_THROW(directory.WriteString("CommSet", "CommNo", "COM3"), IniFileError);
}

TEST_F(IniFileTest, RefusesTextThatWouldBreakTheLayout)
{
    WriteFileBytes(path, "[CommSet]\nCommNo=COM1\n");
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"CommSet", "CommNo", "COM3\n[SysSet]"},
        {"CommSet", "CommNo", "COM3\r"},
        {"CommSet", "Comm=No", "x"},
        {"CommSet", "[CommNo", "x"},
        {"CommSet", "  ", "x"},
        {"Comm]Set", "CommNo", "x"},
        {"Comm\nSet", "CommNo", "x"},
    };
    for (const auto& c : cases)
        EXPECT_THROW(ini.WriteString(c.section, c.key, c.value), IniFileError) << c.key;
    EXPECT_EQ(ReadFileBytes(path), "[CommSet]\nCommNo=COM1\n");
}

#ifndef _WIN32
// Cut-short writes, links and special files: POSIX calls make them.
TEST_F(IniFileTest, AWriteCutShortLeavesTheOldFileByteForByte)
{
    // The old file is larger than the limit, so writing it in place would
    // cut it short after the first limit bytes.
    std::string before = "[CommSet]\r\nCommNo=/dev/ttyUSB0\r\nBaudRate=9600\r\n[SysSet]\r\n";
    before += "ShopNO=" + std::string(300, 'x') + "\r\n";
    WriteFileBytes(path, before);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{100, 100};
        signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(4);
        try {
            ini.WriteString("CommSet", "CommNo", "/dev/ttyUSB1");
        } catch (const IniFileError& e) {
            _exit(e.what() == "Unable to write to " + path ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no exception, 2: another message";
    EXPECT_EQ(ReadFileBytes(path), before);
    // No temporary file is left behind.
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string>{"datalink.ini"});
}

TEST_F(IniFileTest, AReplacedFileKeepsItsPermissionsAndItsLink)
{
    WriteFileBytes(path, "[CommSet]\nCommNo=COM1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ini.WriteString("CommSet", "CommNo", "COM2");
    struct stat info { };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // A settings file that is a link to a file elsewhere stays that link.
    std::filesystem::create_directory(dir / "elsewhere");
    const std::string linked = dir / "elsewhere/datalink.ini";
    WriteFileBytes(linked, "[CommSet]\nCommNo=COM1\n");
    const std::string link = dir / "link.ini";
    ASSERT_EQ(symlink(linked.c_str(), link.c_str()), 0);
    IniFile viaLink(link);
    viaLink.WriteString("CommSet", "CommNo", "COM5");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(linked), "[CommSet]\nCommNo=COM5\n");
    EXPECT_EQ(DirectoryNames(dir / "elsewhere"), std::vector<std::string>{"datalink.ini"});
}

TEST_F(IniFileTest, NothingButASmallRegularFileIsReadOrReplaced)
{
    const std::string settings = "[CommSet]\nCommNo=COM7\n";
    const std::string big = settings + std::string((1 << 20) + 1 - settings.size(), ' ');
    const struct {
        const char* name;
        void (*make)(const std::string& path, const std::string& big);
    } cases[] = {
        {"a FIFO nobody writes",
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
         }},
        {"a link to /dev/zero",
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
         }},
        {"a file over 1 MB",
         [](const std::string& path, const std::string& big) { WriteFileBytes(path, big); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        c.make(path, big);
        const auto type = std::filesystem::symlink_status(path).type();
        EXPECT_EQ(ini.ReadString("CommSet", "CommNo", "Com3"), "Com3");
        // A write would lose what cannot be read, so it fails and changes nothing.
        EXPECT_THROW(ini.WriteString("CommSet", "CommNo", "COM1"), IniFileError);
        EXPECT_EQ(std::filesystem::symlink_status(path).type(), type);
    }
    EXPECT_EQ(ReadFileBytes(path), big);
}

#endif

} // namespace
