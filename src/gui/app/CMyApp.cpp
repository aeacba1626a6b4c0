#include "gui/app/CMyApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWindow>
#include <chrono>
#include <thread>

#include "core/experiment/LabelTable.h"
#include "core/experiment/MsTimer.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSizeSignal.h"
#include "core/records/RecordFormat.h"
#include "core/records/TrialLogName.h"
#include "core/records/WriteRecords.h"
#include "gui/app/AppIdentity.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/RunExperiment.h"
#include "gui/platform/KeyState.h"
#include "gui/records/ShowResult.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct CMyAppTexts {
    Q_DECLARE_TR_FUNCTIONS(CMyApp)
};

const char* const kSettingsBase = "QVL";
const char* const kKeySubject = "subject";
const char* const kKeySeed = "random_seed";
const char* const kKeyTestType = "test_type";
const char* const kKeyRanking = "flag_ranking";

constexpr int kShowWaitMs = 1000;

// The box when the conditions cannot be saved at exit: the file by its full path, and what the
// next start will show instead.
QString SettingsSaveErrorText(const QString& path) {
    return CMyAppTexts::tr("設定ファイルを保存できません") + QLatin1Char('\n') +
           QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) + QLatin1Char('\n') +
           CMyAppTexts::tr(
               "次回の起動時には、今回の条件（被験者IDなど）ではなく、前に保存された"
               "条件が表示されます。");
}

// The label tables are built once, before anything can look at them.
void BuildLabelTables() {
    PartALabels();
    PartBLabels();
    PartBLatinLabels();
}

// Dispatches events until the window system has put `frame` on the screen and it has been
// painted, for a second at most (a window system that never says so must not stop the start).
// The operator's clicks and keys wait in the queue meanwhile: a click on the frame the moment
// it appears would otherwise start a test before the last conditions are read, with the
// defaults in the dialog.
void WaitUntilShown(QWidget& frame) {
    QDeadlineTimer deadline(kShowWaitMs);
    QWindow* window = frame.windowHandle();
    while (window != nullptr && !window->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    frame.repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

bool ApplyLanguage(QTranslator& translator, Language language) {
    QCoreApplication::removeTranslator(&translator);
    if (language == Language::Japanese) {
        return true;
    }
    // Compiled into the program (translations/*.ts): no file to lose beside it.
    if (!translator.load(QStringLiteral(":/i18n/quorvel_") + LanguageCode(language))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

CMyApp::CMyApp(int& argc, char** argv)
    : m_app(argc, argv),
      m_preferenceStore(OpenPreferences()),
      m_preferences(ReadPreferences(*m_preferenceStore)),
      m_state(),
      m_settings(),
      m_window(),
      m_rng(),
      m_boxes() {
    BuildLabelTables();
    ApplyAppIdentity();
    // Before any window is made, so every text is in the operator's language from the start.
    ApplyLanguage(m_translator, m_preferences.language);
}

CMyApp::~CMyApp() {
    // The frame goes before the objects made ahead of it; the experiment window object has
    // no on-screen window left by now.
    m_frame.reset();
}

bool CMyApp::InitInstance() {
    // Before anything is written: a file-size limit must fail a write, not end the program
    // part way through a row.
    TreatFileSizeLimitAsWriteError();
    // The key state must see every key from the start, so none held is missed by a test.
    AppKeyState();
    // At the end of a Windows session there is no time to wait for the frame to close: the
    // settings are saved on the spot, as the end of the program would save them.
    m_signals = std::make_unique<TerminationSignals>([this] { OnTerminate(); },
                                                     [this] { ExitInstance(0); });

    m_frame = std::make_unique<CMainFrame>();
    m_frame->SetRunExperiment([this] { OnStart(); });
    m_frame->SetShowResult([this] { OnShowResult(); });
    m_frame->ShowPreferences(m_preferences);
    m_frame->SetPreferencesChanged(
        [this](const Preferences& preferences) { OnPreferencesChanged(preferences); });
    m_boxes.SetOwner(m_frame.get());

    // The frame is on the screen, painted, before anything else can hold the start up.
    m_frame->showMaximized();
    WaitUntilShown(*m_frame);

    MsTimerCheck(m_boxes);

    // Every run seeds the generator again; this only keeps its state from being fixed.
    m_rng.Seed(static_cast<std::uint32_t>(SystemClock().NowSeconds()));
    m_rng.Next();
    m_rng.Next();

    m_settings.Load(QDir::currentPath(), kSettingsBase);
    m_settings.GetString(kKeySubject, m_state.subject);
    m_settings.GetInt(kKeySeed, m_state.random_seed);
    m_settings.GetInt(kKeyTestType, m_state.test_type);
    m_settings.GetInt(kKeyRanking, m_state.flag_ranking);

    ArmLastChance();
    // Last: a window manager may take a moment to maximise the frame, and a click or key
    // handled meanwhile must find the conditions read (it used to start a test with a layout
    // from the clock) and the display's loss handled.
    m_frame->FitToScreen();
    return true;
}

int CMyApp::Run() {
    return QApplication::exec();
}

void CMyApp::OnTerminate() {
    if (m_ending) {
        return;
    }
    m_ending = true;
    m_boxes.SetEnding(true);
    // Dialogs waiting for the operator give up: the conditions dialog as cancelled, a box as
    // read. Their modal loops return into whatever opened them.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget);
            dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    }
    // A running test notices at its next sample and ends; the frame closes after it.
    if (m_frame != nullptr && !m_frame->TestRunning()) {
        m_frame->close();
    }
}

void CMyApp::ArmLastChance() {
    // When the display goes (the X server dies), Qt ends the process on the spot: the completed
    // rows of a running test and the conditions are saved then, with no box (there is no
    // screen to show one on). The run's own record needs the screen and is lost. What the
    // writing uses is made first, so that it outlives the handler at exit.
    const ExperimentState sample = m_state;
    const RecordTimeText when = FormatRecordTime(SystemClock().NowSeconds());
    static_cast<void>(MakeTrialLogName(sample.subject));
    static_cast<void>(TrialLogRows(sample, when));
    static_cast<void>(SummaryLine(sample, when));
    static_cast<void>(DataFileErrorText(QString()));
    m_lastChance = std::make_unique<LastChance>([this] {
        m_boxes.SetEnding(true);
        if (timer_id != 0) {
            MsTimerStop();  // its thread must not outlive the process's last moment
        }
        if (m_pendingRecords) {
            const std::function<void()> write = std::move(m_pendingRecords);
            write();
        }
        SaveSettings();
    });
}

void CMyApp::SaveSettings() {
    m_settings.SetString(kKeySubject, m_state.subject);
    m_settings.SetInt(kKeySeed, m_state.random_seed);
    m_settings.SetInt(kKeyTestType, m_state.test_type);
    m_settings.SetInt(kKeyRanking, m_state.flag_ranking);
    m_settings.Save();
}

int CMyApp::ExitInstance(int exitCode) {
    m_lastChance.reset();  // the ordinary end saves here
    if (timer_id != 0) {
        MsTimerStop();
    }

    m_settings.SetString(kKeySubject, m_state.subject);
    m_settings.SetInt(kKeySeed, m_state.random_seed);
    m_settings.SetInt(kKeyTestType, m_state.test_type);
    m_settings.SetInt(kKeyRanking, m_state.flag_ranking);
    // A failed save (a folder or a dangling link under the name, a write-protected file) used
    // to go unnoticed, and the next start offered the old subject. The operator is told and may
    // fix the cause and retry. At a polite end (logout) nobody is there to answer: the box is
    // passed over as cancelled.
    if (m_frame != nullptr && !m_frame->isVisible()) {
        // The frame has closed: a box owned by a window no longer on the screen may not be
        // shown at all (Wayland places a dialog by its parent), so it stands on its own.
        m_boxes.SetOwner(nullptr);
    }
    while (!m_settings.Save()) {
        if (!m_boxes.AskRetry(SettingsSaveErrorText(m_settings.Path()))) {
            break;
        }
    }
    return exitCode;
}

void CMyApp::OnStart() {
    ArmLastChance();  // again, now that the subject may use statics not made before
    RunContext run{
        m_state,
        m_window,
        *m_frame,
        m_rng,
        m_boxes,
        AppKeyState(),
        [this](const SummaryLineWritten& line) { quorvel::OnShowRunResult(line, m_frame.get()); },
        RecordsContext(),
        [this] { return m_ending; },
        [this](QWindow* window) { m_boxes.SetStackOver(window); },
        &m_pendingRecords,
        m_preferences};
    RunExperiment(run);
    if (m_ending) {
        m_frame->close();
    }
}

void CMyApp::OnPreferencesChanged(const Preferences& preferences) {
    if (preferences.language != m_preferences.language) {
        ApplyLanguage(m_translator, preferences.language);
    }
    m_preferences = preferences;
    WritePreferences(*m_preferenceStore, m_preferences);
}

void CMyApp::OnShowResult() {
    quorvel::OnShowResult(QDir::currentPath(), m_frame.get());
}

}  // namespace quorvel
