#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include "core/app/CommandLine.h"
#include "core/app/LayoutScan.h"
#include "core/app/Version.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/RunIndex.h"
#include "support/TestFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorvel {
namespace {

struct ArgsCase {
    QStringList args;
    StartAction action;
    bool useDataFolder;
};

TEST(CommandLineTest, ReadsVersionHelpAndDataFolderAndIgnoresTheRest) {
    const ArgsCase cases[] = {
        {{}, StartAction::kRun, false},
        {{QStringLiteral("--version")}, StartAction::kPrintVersion, false},
        {{QStringLiteral("--help")}, StartAction::kPrintHelp, false},
        {{QStringLiteral("--data-folder")}, StartAction::kRun, true},
        {{QStringLiteral("--help"), QStringLiteral("--version")}, StartAction::kPrintHelp, false},
        {{QStringLiteral("--version"), QStringLiteral("--help")},
         StartAction::kPrintVersion,
         false},
        {{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--version")},
         StartAction::kPrintVersion,
         false},
        {{QStringLiteral("--data-folder"), QStringLiteral("--version")},
         StartAction::kPrintVersion,
         true},
        // Near misses and anything else are ignored, as the program always did.
        {{QStringLiteral("-version"), QStringLiteral("--Help"), QStringLiteral("-h")},
         StartAction::kRun,
         false},
        {{QStringLiteral("--data-folder=/tmp"), QStringLiteral("subject01")},
         StartAction::kRun,
         false},
    };
    for (const ArgsCase& c : cases) {
        const StartRequest request = ReadCommandLine(c.args);
        EXPECT_EQ(request.action, c.action) << c.args.join(u' ').toStdString();
        EXPECT_EQ(request.useDataFolder, c.useDataFolder) << c.args.join(u' ').toStdString();
    }
}

TEST(CommandLineTest, LayoutsTakeTheirRangeAndSummaryItsOptionalFolder) {
    struct Case {
        QStringList args;
        StartAction action;
        QString layouts;
        QString summaryFolder;
        QString folderRead;
    };
    const QString home = DefaultDataFolder();
    const Case cases[] = {
        {{QStringLiteral("--layouts"), QStringLiteral("1..10")},
         StartAction::kLayouts,
         QStringLiteral("1..10"),
         QString(),
         QStringLiteral(".")},
        {{QStringLiteral("--layouts")},
         StartAction::kUsageError,
         QString(),
         QString(),
         QStringLiteral(".")},
        {{QStringLiteral("--summary")},
         StartAction::kSummary,
         QString(),
         QString(),
         QStringLiteral(".")},
        {{QStringLiteral("--summary"), QStringLiteral("/lab/data")},
         StartAction::kSummary,
         QString(),
         QStringLiteral("/lab/data"),
         QStringLiteral("/lab/data")},
        {{QStringLiteral("--data-folder"), QStringLiteral("--summary")},
         StartAction::kSummary,
         QString(),
         QString(),
         home},
        {{QStringLiteral("--summary"), QStringLiteral("--data-folder")},
         StartAction::kSummary,
         QString(),
         QString(),
         home},
        // The first action wins, as with --version and --help.
        {{QStringLiteral("--help"), QStringLiteral("--summary"), QStringLiteral("x")},
         StartAction::kPrintHelp,
         QString(),
         QString(),
         QStringLiteral("x")},
        {{QStringLiteral("--summary"), QStringLiteral("--layouts"), QStringLiteral("1..2")},
         StartAction::kSummary,
         QString(),
         QString(),
         QStringLiteral(".")},
    };
    for (const Case& c : cases) {
        const StartRequest request = ReadCommandLine(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(request.action, c.action) << what;
        EXPECT_EQ(request.layouts, c.layouts) << what;
        EXPECT_EQ(request.summaryFolder, c.summaryFolder) << what;
        if (c.action == StartAction::kSummary) {
            EXPECT_EQ(SummaryFolder(request), c.folderRead) << what;
        }
    }
}

TEST(CommandLineTest, VersionTextCarriesTheProjectVersion) {
    EXPECT_EQ(VersionText(), QStringLiteral("Quorvel 1.005\n"));
    EXPECT_EQ(QLatin1String(kVersion), QLatin1String("1.005"));
    EXPECT_TRUE(HelpText().contains(QStringLiteral("--data-folder")));
    EXPECT_TRUE(HelpText().contains(QStringLiteral("--layouts FIRST..LAST")));
    EXPECT_TRUE(HelpText().contains(QStringLiteral("--summary [FOLDER]")));
    EXPECT_TRUE(HelpText().contains(QStringLiteral("Pairing rule")));
    EXPECT_TRUE(HelpText().endsWith(u'\n'));
}

TEST(CommandLineTest, SharedClickSoundIsUnderTheInstallPrefix) {
    // The installed program finds it by this path alone, from any working directory.
    EXPECT_TRUE(QDir::isAbsolutePath(SharedClickSound())) << SharedClickSound().toStdString();
#ifdef _WIN32
    // Beside the program, where the installer and the zip put it; the data folder in the
    // user's Documents.
    wchar_t program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    EXPECT_EQ(
        QFileInfo(SharedClickSound()).absolutePath(),
        QFileInfo(QString::fromWCharArray(program, static_cast<qsizetype>(length))).absolutePath());
    EXPECT_EQ(DefaultDataFolder(),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                  QStringLiteral("/Quorvel"));
#else
    EXPECT_TRUE(SharedClickSound().endsWith(QStringLiteral("/share/quorvel/click.wav")))
        << SharedClickSound().toStdString();
    EXPECT_EQ(DefaultDataFolder(), QDir::homePath() + QStringLiteral("/Quorvel"));
#endif
}

// A temporary home with a shared folder holding a click sound.
class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(QDir(m_home.path()).mkpath(QStringLiteral("share")));
        m_sharedClick = m_home.filePath(QStringLiteral("share/click.wav"));
        ASSERT_TRUE(test::WriteFile(m_sharedClick, QByteArray("RIFF-shared")));
        // Installed files are read-only for the user; the copy must still be replaceable.
        QFile::setPermissions(m_sharedClick, QFile::ReadOwner | QFile::ReadGroup);
    }

    QTemporaryDir m_home;
    QString m_sharedClick;
    // Brings the working directory back after each case.
    test::WorkingTestFolder m_previous;
};

TEST_F(DataFolderTest, CreatesTheFolderWithItsParentsAndCopiesTheClick) {
    const QString folder = m_home.filePath(QStringLiteral("a/b/Quorvel"));
    ASSERT_EQ(EnterDataFolder(folder, m_sharedClick), QString());
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
              QFileInfo(folder).canonicalFilePath());
    EXPECT_EQ(test::ReadFile(QStringLiteral("click.wav")), "RIFF-shared");
    EXPECT_TRUE(QFileInfo(QStringLiteral("click.wav")).permission(QFile::WriteOwner));
}

TEST_F(DataFolderTest, KeepsTheLabsOwnFilesAndClick) {
    const QString folder = m_home.filePath(QStringLiteral("Quorvel"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray ini("[Setting]\r\n");
    ASSERT_TRUE(test::WriteFile(folder + QStringLiteral("/click.wav"), "own"));
    ASSERT_TRUE(test::WriteFile(folder + QStringLiteral("/QVL.ini"), ini));
    ASSERT_EQ(EnterDataFolder(folder, m_sharedClick), QString());
    EXPECT_EQ(test::ReadFile(QStringLiteral("click.wav")), "own");
    EXPECT_EQ(test::ReadFile(QStringLiteral("QVL.ini")), ini);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("QVL.ini"), QStringLiteral("click.wav")}));
}

TEST_F(DataFolderTest, WithoutASharedClickTheFolderStaysSilent) {
    const QString folder = m_home.filePath(QStringLiteral("Quorvel"));
    ASSERT_EQ(EnterDataFolder(folder, m_home.filePath(QStringLiteral("none/click.wav"))),
              QString());
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST_F(DataFolderTest, AFileInTheFolderPlaceIsAnErrorAndTheDirectoryStays) {
    const QString folder = m_home.filePath(QStringLiteral("Quorvel"));
    ASSERT_TRUE(test::WriteFile(folder, "not a folder"));
    const QString before = QDir::currentPath();
    const QString error = EnterDataFolder(folder, m_sharedClick);
    EXPECT_TRUE(error.contains(folder)) << error.toStdString();
    EXPECT_EQ(QDir::currentPath(), before);
}

// The real executable: --version and --help must answer without a display, so the test gives
// it a platform that does not exist; a program that made its application object first would
// fail to start instead.
struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult RunQuorvel(const QStringList& args, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    env.insert(QStringLiteral("HOME"), home);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    process.start(QStringLiteral(QUORVEL_EXECUTABLE), args);
    ProcessResult result;
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
#ifdef _WIN32
    // Standard output is a text stream on Windows: its line ends reach a reader as CR LF.
    result.out.replace("\r\n", "\n");
#endif
    result.err = process.readAllStandardError();
    return result;
}

TEST(CommandLineProcessTest, VersionAndHelpPrintToStdoutAndExitWithoutAWindow) {
    struct Case {
        QStringList args;
        QString out;
    };
    const Case cases[] = {
        {{QStringLiteral("--version")}, VersionText()},
        {{QStringLiteral("--help")}, HelpText()},
        {{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--help")},
         HelpText()},
        // Asking for the version creates no data folder.
        {{QStringLiteral("--data-folder"), QStringLiteral("--version")}, VersionText()},
    };
    for (const Case& c : cases) {
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        const ProcessResult result = RunQuorvel(c.args, home.path());
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << what;
        EXPECT_EQ(QString::fromLocal8Bit(result.out), c.out) << what;
        EXPECT_EQ(result.err, QByteArray()) << what;
        EXPECT_TRUE(QDir(home.path()).isEmpty()) << what;
    }
}

// --layouts prints the scan on standard output, without a display; a missing or bad range is a
// usage error (exit code 2) that prints nothing there.
TEST(CommandLineProcessTest, LayoutsPrintTheScanAndRefuseABadRange) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const ProcessResult result =
        RunQuorvel({QStringLiteral("--layouts"), QStringLiteral("350..355")}, home.path());
    std::string expected;
    ScanLayouts({350, 355}, [&](std::string_view block) {
        expected += block;
        return true;
    });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.toStdString(), expected);
    EXPECT_TRUE(result.out.contains("\n353,0,,,\n")) << result.out.toStdString();
    EXPECT_EQ(result.err, QByteArray());

    for (const QStringList& args :
         {QStringList{QStringLiteral("--layouts")},
          QStringList{QStringLiteral("--layouts"), QStringLiteral("9..1")}}) {
        const ProcessResult bad = RunQuorvel(args, home.path());
        EXPECT_EQ(bad.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(bad.out, QByteArray());
        EXPECT_TRUE(bad.err.contains("--layouts")) << bad.err.toStdString();
    }
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

// --summary on a folder of run records, without a display: subjects.csv written and the same
// table printed; a damaged index refused with its line named, and no file changed.
TEST(CommandLineProcessTest, SummaryWritesTheSubjectsTableAndRefusesADamagedIndex) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString lab = home.filePath(QStringLiteral("lab"));
    ASSERT_TRUE(QDir().mkpath(lab + QStringLiteral("/runs")));
    const auto row = [](const char* subject, TestType form, int completed, double slower,
                        std::int64_t originUs) {
        ExperimentState state = test::MakeRun(subject, form, completed);
        for (TrialRecord& r : state.records) {
            r.hit_time = static_cast<std::int32_t>(r.hit_time * slower);
        }
        RunFacts facts;
        facts.run_id =
            QString::fromLatin1(subject) + (IsPartA(form) ? QLatin1Char('a') : QLatin1Char('b'));
        facts.started = QDateTime(QDate(2026, 3, 5), QTime(10, 0));
        facts.total_rt_origin_us = originUs;
        return RunIndexRow(state, facts);
    };
    // S1: A 1500 + 24000 ms from the origin (TotalRT 24000), B 2000 + 48000 (48000); S2 aborted.
    const QByteArray index = RunIndexHeader() + row("S1", kPartA, kTargetCount, 1.0, 1500000) +
                             row("S1", kPartB, kTargetCount, 2.0, 2000000) +
                             row("S2", kPartA, 3, 1.0, 1500000);
    const QString indexPath = lab + QStringLiteral("/runs/index.csv");
    const QString subjectsPath = lab + QStringLiteral("/runs/subjects.csv");
    ASSERT_TRUE(test::WriteFile(indexPath, index));

    const QByteArray table =
        "subject,a_completed_runs,b_completed_runs,a_run_id,a_completion_ms,a_total_rt_ms,"
        "a_errors,b_run_id,b_completion_ms,b_total_rt_ms,b_errors,b_minus_a_ms,b_over_a,"
        "b_minus_a_total_rt_ms,b_over_a_total_rt\n"
        "S1,1,1,S1a,25500,24000,6,S1b,50000,48000,6,24500,1.961,24000,2.000\n"
        "S2,0,0,,,,,,,,,,,,\n";
    const ProcessResult result = RunQuorvel({QStringLiteral("--summary"), lab}, home.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, table);
    QByteArray crlf = table;
    crlf.replace("\n", "\r\n");
    EXPECT_EQ(test::ReadFile(subjectsPath), "\xEF\xBB\xBF" + crlf);
    EXPECT_EQ(QDir(lab + QStringLiteral("/runs")).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("index.csv"), QStringLiteral("subjects.csv")}));

    // A row cut short on line 5: refused, naming the file and the line; nothing changes.
    ASSERT_TRUE(test::WriteFile(indexPath, index + "S3a,S3,A\r\n"));
    const ProcessResult damaged = RunQuorvel({QStringLiteral("--summary"), lab}, home.path());
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.out, QByteArray());
    EXPECT_TRUE(
        damaged.err.contains("index.csv is damaged, line 5: 3 fields where the header has " +
                             QByteArray::number(RunIndexHeader().count(',') + 1)))
        << damaged.err.toStdString();
    EXPECT_EQ(test::ReadFile(subjectsPath), "\xEF\xBB\xBF" + crlf);
    EXPECT_EQ(test::ReadFile(indexPath), index + "S3a,S3,A\r\n");

    // With --data-folder and no folder it reads ~/Quorvel, which it does not make.
    const ProcessResult none =
        RunQuorvel({QStringLiteral("--data-folder"), QStringLiteral("--summary")}, home.path());
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("Quorvel")) << none.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("Quorvel"))));
}

}  // namespace
}  // namespace quorvel
