#pragma once

#include <QApplication>
#include <QTranslator>
#include <memory>

#include "core/app/CSettingsFile.h"
#include "core/app/Preferences.h"
#include "core/experiment/ExperimentState.h"
#include "core/experiment/LcgRandom.h"
#include "gui/platform/LastChance.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/platform/TerminationSignals.h"
#include "gui/render/CTouchWnd.h"

namespace quorvel {

class CMainFrame;

// Shows the program's texts in `language`: the compiled-in translation installed into the
// application (every window is told of the change at once), or none for Japanese. False when
// the translation cannot be loaded (the texts stay Japanese).
bool ApplyLanguage(QTranslator& translator, Language language);

// The application: owns the QApplication and the objects that live for the whole process, in
// the order they are made (and, reversed, destroyed): the experiment state (subject
// "SBJ0000"), the settings store, the label tables, the experiment window object. InitInstance
// puts up the main frame and loads the operator's last conditions; ExitInstance saves them.
// One per process.
class CMyApp {
  public:
    // `argc` must outlive the application, as QApplication requires.
    CMyApp(int& argc, char** argv);
    ~CMyApp();
    CMyApp(const CMyApp&) = delete;
    CMyApp& operator=(const CMyApp&) = delete;

    // Shows the main frame maximised, checks the millisecond clock, seeds the generator and
    // reads the four conditions from "QVL.ini". Always true: the program goes on.
    bool InitInstance();

    // Runs the event loop until the main frame is closed; its result is the exit code.
    int Run();

    // Stops a clock left running and writes the four conditions back to "QVL.ini"; a save that
    // fails is told in a box with Retry and Cancel (passed over at a polite end). Returns
    // `exitCode`, the event loop's result.
    int ExitInstance(int exitCode);

    // The program was asked to end (SIGTERM at logout or shutdown, SIGINT, SIGHUP): it ends
    // as if the frame had been closed. A running test ends first, as an abort would, with
    // its completed rows written; open dialogs are cancelled and no box waits for an answer.
    void OnTerminate();

  private:
    void OnStart();
    // Writes the four conditions to "QVL.ini", telling nobody of a failure.
    void SaveSettings();
    // (Re)arms the last chance: what to save when the process ends without returning.
    void ArmLastChance();
    void OnShowResult();
    // The operator changed an option in the menu: it takes effect at once and is stored.
    void OnPreferencesChanged(const Preferences& preferences);

    QApplication m_app;
    // The program's own options (language, practice), apart from QVL.ini.
    std::unique_ptr<QSettings> m_preferenceStore;
    Preferences m_preferences;
    QTranslator m_translator;
    ExperimentState m_state;
    CSettingsFile m_settings;
    CTouchWnd m_window;
    LcgRandom m_rng;
    QtMessageBoxes m_boxes;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_ending = false;
    std::unique_ptr<TerminationSignals> m_signals;
    // The completed rows of a test whose records are not yet written (RunContext).
    std::function<void()> m_pendingRecords;
    // Saves what it can when the process ends without returning: the display is gone.
    std::unique_ptr<LastChance> m_lastChance;
};

}  // namespace quorvel
