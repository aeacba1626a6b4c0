#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "core/app/Preferences.h"
#include "gui/platform/TopmostWhileAlone.h"
#include "gui/platform/WindowStacking.h"

class QAction;

namespace quorvel {

// The operator's window: black, the size of the screen, a caption with a close box and system
// menu only, the menu bar (menu id 101) and one white title line in the middle, with the data
// folder (the working directory) in grey under it. The menu's
// actions carry their command ids as data and as object names ("40001" ...). A left click in
// the client area starts a test exactly as Experiment > Start does; Escape restores the frame.
//
// Building the frame measures the screen once into screenWidth / screenHeight (MeasuredScreen.h).
// The frame does not delete itself when closed: its owner does.
class CMainFrame : public QMainWindow {
  public:
    static constexpr int kMenuId = 101;
    static constexpr int kCmdExit = 40001;
    static constexpr int kCmdAbout = 40002;
    static constexpr int kCmdStart = 40005;
    static constexpr int kCmdShowResult = 40007;
    // The program's own options, after the commands above: a checkable "Practice first" and
    // the Language submenu with one checkable item per language.
    static constexpr int kCmdPracticeFirst = 40010;
    static constexpr int kCmdLanguageJapanese = 40011;
    static constexpr int kCmdLanguageEnglish = 40012;

    // Measures the screen, builds the menu and places the frame at (0, 0) with the screen's
    // size. It is not shown and not topmost yet.
    CMainFrame();
    ~CMainFrame() override;

    // What Start (and a click) and Show Result run; nothing is run while a hook is unset.
    void SetRunExperiment(std::function<void()> hook);
    void SetShowResult(std::function<void()> hook);
    // Called with the preferences as the operator changed them in the menu.
    void SetPreferencesChanged(std::function<void(const Preferences&)> hook);

    // Shows `preferences` in the menu's check marks (nothing is called).
    void ShowPreferences(const Preferences& preferences);

    // The command handlers, in the order of the frame's commands.
    void OnExit();        // closes the frame, as its close box does
    void OnAbout();       // the About box, modal, with the frame as parent
    void OnStart();       // one test; a request made while a test runs is ignored
    void OnShowResult();  // the ranking of the latest result

    // Moves the frame to (0, 0) at the screen's size, makes it topmost, shows, raises and
    // activates it and repaints it. Escape does this; the Start command does it after a test.
    // Where a window manager gives the frame a caption, the window manager maximises it instead
    // of the frame placing itself; it is topmost only while none of its own windows is shown.
    void RestoreFrame();
    // Once the frame is shown where a window manager adds a caption: waits (a moment at most)
    // for the window manager to have maximised it, so that it lies within the screen.
    void FitToScreen();

    // The menu action of a command id, or nullptr.
    QAction* CommandAction(int id) const;

    // True once the frame has been restored (Escape, the end of a test): topmost over the
    // screen, or maximised where the window system places windows itself.
    bool IsRestored() const;

    // True while a test started from the frame is running.
    bool TestRunning() const { return m_testRunning; }

    // The line painted in the middle of the client area.
    static QString TitleLine();

    // The line under it: "Data folder: " and the working directory's absolute path.
    static QString DataFolderLine();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A language change gives the menu and the title lines their texts in the new language.
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenu();
    void RetranslateMenu();
    void OnPreferenceItem();
    void PlaceOverScreen();

    std::function<void()> m_runExperiment;
    std::function<void()> m_showResult;
    std::function<void(const Preferences&)> m_preferencesChanged;
    bool m_testRunning = false;
    // A window manager frames the windows with captions: it maximises the frame.
    bool m_captioned = WindowManagerFramesWindows();
    TopmostWhileAlone m_topmost{*this};
};

}  // namespace quorvel
