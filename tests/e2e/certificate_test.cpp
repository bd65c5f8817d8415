// The certificate for scripts: records made by calibrations against
// scale-sim, then `scale-config --certificate [--record N] -o FILE.pdf` run
// as a program without a display. The PDF's text (pdftotext) carries the
// record; a missing or broken record is refused with exit code 1.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../session/session_on_sim.h"
#include "e2e_harness.h"
#include "session/record_file.h"
#include "temp_dir.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

// The output of a poppler tool; empty when it fails.
QString PopplerOutput(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's text; compatibility normalisation folds the Kangxi radicals that
// CJK fonts map some glyphs to into the ideographs.
std::string PdfText(const std::string& path)
{
    return PopplerOutput(
               QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")})
        .normalized(QString::NormalizationForm_KC)
        .toStdString();
}

struct CommandResult {
    std::optional<int> exitCode;
    std::string errors;
};

class CertificateCommand : public ::testing::Test {
protected:
    std::string DataHome() const { return directory_ / "data"; }
    std::string RecordFile() const
    {
        return DataHome() + "/scale-config/calibration-records.jsonl";
    }
    std::string Pdf(const std::string& name) const { return directory_ / name; }

    // Two records, as the window or scale-cli makes them: a zero calibration
    // with a 0.5 kg pan left on the platform, then a calibration naming 12 kg
    // for what the scale reads as 10 kg, at a place of use other than the
    // calibration place.
    std::vector<CalibrationRecord> Calibrate()
    {
        SessionOnSim rig;
        rig.session.setRecordFile(RecordFile());
        rig.session.setOperatorName("张工");
        rig.Start({"--switch", "open", "--load", "0.5", "--rate", "20", "--gravity-use", "97883",
                   "--gravity-cal", "97894"});
        const auto awaitReadings = [&rig](size_t count) {
            const size_t target = rig.listener.readings.size() + count;
            EXPECT_TRUE(rig.RunUntil([&] { return rig.listener.readings.size() >= target; }));
        };
        awaitReadings(ScaleSession::kSummaryReadings);
        std::vector<CalibrationRecord> records;
        records.push_back(rig.session.calibrateZeroAndRecord().record.value());
        rig.Set("load 10.5");
        awaitReadings(2 * ScaleSession::kSummaryReadings);
        rig.session.setTestWeightId("M1-0042");
        records.push_back(rig.session.calibrateWithWeightAndRecord("12").record.value());
        return records;
    }

    // scale-config with these arguments, no display, the records of DataHome.
    CommandResult Run(std::vector<std::string> arguments)
    {
        e2e::ProgramRun run(
            {.program = SCALE_CONFIG_PATH,
             .environment = {"XDG_DATA_HOME=" + DataHome(),
                             "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "LC_ALL=C.UTF-8"},
             .arguments = std::move(arguments)});
        CommandResult result;
        result.exitCode = run.WaitForExit(30s);
        result.errors = run.ReadFile("program.err");
        return result;
    }

private:
    const support::TempDir directory_{"certificate"};
};

} // namespace

// The last record by default, any record by its number: the place and
// gravity before and after, the test weight, as found and as left with the
// deviation in divisions, the controller's log record, the operator and the
// record's hash. One A4 page.
TEST_F(CertificateCommand, CarriesTheRecord)
{
    const std::vector<CalibrationRecord> records = Calibrate();

    const CommandResult last = Run({"--certificate", "-o", Pdf("last.pdf")});
    ASSERT_EQ(last.exitCode, 0) << last.errors;
    const std::string text = PdfText(Pdf("last.pdf"));
    for (const std::string& expected :
         {std::string("标定证书"), std::string("标定记录第2条"), std::string("任一点标定"),
          std::string("12 kg"), std::string("M1-0042"), std::string("张工"),
          std::string("广东-韶关[9.7894]"), std::string("广东[9.7883]"), std::string("标定前示值"),
          std::string("10.0000"), std::string("标定后示值"), std::string("12.0000"),
          std::string("-400.0"), std::string("647000"), records[1].time, records[1].hash,
          records[1].previousHash}) {
        EXPECT_THAT(text, HasSubstr(expected));
    }
    const QString info =
        PopplerOutput(QStringLiteral("pdfinfo"), {QString::fromStdString(Pdf("last.pdf"))});
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:           1"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();

    const CommandResult first = Run({"--certificate", "--record", "1", "-o", Pdf("first.pdf")});
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    const std::string firstText = PdfText(Pdf("first.pdf"));
    for (const std::string& expected :
         {std::string("标定记录第1条"), std::string("零点标定"), std::string("0.5000"),
          std::string("250.0"), std::string("507000"), records[0].hash})
        EXPECT_THAT(firstText, HasSubstr(expected));
}

// No such record, no records, a broken chain, bad arguments: exit code 1,
// the reason on standard error, no file.
TEST_F(CertificateCommand, RefusesWhatItCannotCertify)
{
    const CommandResult none = Run({"--certificate", "-o", Pdf("none.pdf")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.errors, HasSubstr("没有标定记录"));

    Calibrate();
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"--certificate", "--record", "3", "-o", Pdf("x.pdf")}, "没有第3条标定记录（共2条）"},
        {{"--certificate", "--record", "0", "-o", Pdf("x.pdf")}, "记录号应为从1起的整数：0"},
        {{"--certificate", "--record", "1"}, "缺少输出文件"},
        {{"--certificate", "--copies", "2", "-o", Pdf("x.pdf")}, "无法识别的参数：--copies"},
        {{"--certificate", "-o", Pdf("no-such-directory/x.pdf")}, "无法写入证书文件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const CommandResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.errors, HasSubstr(c.error));
        EXPECT_FALSE(std::filesystem::exists(Pdf("x.pdf")));
    }

    // One byte of the first record changed: neither record is certified.
    std::vector<std::string> lines = ReadRecordLines(RecordFile());
    lines[0][lines[0].find("\"weightKg\":0") + 11] = '1';
    std::ofstream(RecordFile(), std::ios::trunc) << lines[0] << "\n" << lines[1] << "\n";
    const CommandResult broken = Run({"--certificate", "-o", Pdf("x.pdf")});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_THAT(broken.errors, HasSubstr("第1行：内容与其哈希不符"));
    EXPECT_FALSE(std::filesystem::exists(Pdf("x.pdf")));
}

// Where the certificate goes: a link there is replaced by the certificate,
// never written through (its target, a file of the user's, keeps its
// bytes); a FIFO or a directory is refused at once; a full disk leaves the
// old file, not a cut-off one. Each refusal: exit 1 naming the file.
TEST_F(CertificateCommand, WrittenWholeAndNeverThroughALink)
{
    Calibrate();
    std::ofstream(Pdf("users-file.txt")) << "kept";
    std::filesystem::create_symlink(Pdf("users-file.txt"), Pdf("link.pdf"));
    const CommandResult linked = Run({"--certificate", "-o", Pdf("link.pdf")});
    EXPECT_EQ(linked.exitCode, 0) << linked.errors;
    EXPECT_FALSE(std::filesystem::is_symlink(Pdf("link.pdf")));
    EXPECT_THAT(PdfText(Pdf("link.pdf")), HasSubstr("标定证书"));
    std::ifstream kept(Pdf("users-file.txt"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");

    ASSERT_EQ(::mkfifo(Pdf("fifo.pdf").c_str(), 0600), 0);
    std::filesystem::create_directory(Pdf("folder.pdf"));
    for (const std::string& place : {Pdf("fifo.pdf"), Pdf("folder.pdf")}) {
        SCOPED_TRACE(place);
        const CommandResult refused = Run({"--certificate", "-o", place});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_THAT(refused.errors, HasSubstr("无法写入证书文件：" + place));
    }

    const std::string small = Pdf("small");
    std::filesystem::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (needs CAP_SYS_ADMIN): full disk not tried";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{small};
    std::ofstream(small + "/cert.pdf") << "old";
    std::ofstream(small + "/filler") << std::string(64 << 10, 'x'); // cut short: the disk is full
    const CommandResult full = Run({"--certificate", "-o", small + "/cert.pdf"});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_THAT(full.errors, HasSubstr("无法写入证书文件"));
    std::ifstream old(small + "/cert.pdf");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small), {}), 2);
}
