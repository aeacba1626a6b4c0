#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "core/experiment/ExperimentState.h"
#include "core/platform/MessageBoxService.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class QWindow;

namespace quorvel {

// The task-conditions dialog (dialog id 104, "課題条件"): subject ID, test type, random seed and
// whether the ranking is shown, confirmed before every run. Controls carry their control ids
// as object names (ControlName): "1001" subject field, "1004" seed field, "1005" Part A,
// "1006" Part B, "1007" Show Ranking, "1" OK, "2" キャンセル; the static texts are
// "subjectLabel", "seedLabel" and the group box "testTypeGroup". The dialog itself is named
// "CSubject".
class CSubject : public QDialog {
  public:
    static constexpr int kTemplateId = 104;
    static constexpr int kSubjectEditId = 1001;
    static constexpr int kSeedEditId = 1004;
    static constexpr int kPartAId = 1005;
    static constexpr int kPartBId = 1006;
    static constexpr int kShowRankingId = 1007;

    // Without an owner the dialog takes the active window, so it stays above the full-screen
    // windows it is opened over. Refusals are told through `boxes`.
    explicit CSubject(MessageBoxService& boxes, QWidget* owner = nullptr);
    ~CSubject() override;

    // Fills the controls from the members, runs the dialog modally and returns kIdOk once "OK"
    // was pressed and every field accepted (the members then hold the fields), or kIdCancel for
    // キャンセル, Escape or the close box (the members are as they were, apart from m_testType,
    // which follows the radio buttons' clicks).
    int DoModal();

    // "OK": runs the exchange and ends the dialog only when every field is accepted.
    void accept() override;

    std::string m_subject;  // CP932 bytes
    std::int32_t m_seed = 0;
    TestType m_testType = kPartA;  // follows the radio buttons, outside the data exchange
    std::int32_t m_showRanking = 0;

  protected:
    // Moves the fields in the order subject, seed, check box: into the controls (save false)
    // or back into the members (save true). A refused field leaves every member unchanged:
    // the operator has been told why and the field has the focus with its text selected.
    bool DoDataExchange(bool save);

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetRadiosFromTestType();
    void Refuse(QLineEdit* field, const QString& message);

    MessageBoxService& m_boxes;
    QLineEdit* m_subjectEdit = nullptr;
    QLineEdit* m_seedEdit = nullptr;
    QRadioButton* m_partA = nullptr;
    QRadioButton* m_partB = nullptr;
    QCheckBox* m_showRankingCheck = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The whole use of the dialog before a run: the four conditions copied in from `state`, the
// dialog run modally, and on "OK" all four copied back. True only for "OK"; otherwise `state`
// is untouched.
bool EditConditions(ExperimentState& state, MessageBoxService& boxes, QWidget* owner = nullptr,
                    QWindow* stackOver = nullptr);

}  // namespace quorvel
