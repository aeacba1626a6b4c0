#pragma once

#include <QDialog>
#include <vector>

#include "core/records/SummaryRecord.h"

class QLabel;
class QListWidget;
class QPushButton;
class QShowEvent;

namespace quorvel {

// The results dialog (dialog id 111): the latest result with its rank in a line of text, and
// every result in rank order in a list whose latest line is selected. Built in code from its
// layout table; each control's object name is its control id ("1008", "1", "1007").
class CResult : public QDialog {
  public:
    static constexpr int kTemplateId = 111;
    static constexpr int kIdResultText = 1008;  // static text: the latest result's line
    static constexpr int kIdOk = 1;             // default push button
    static constexpr int kIdList = 1007;        // list box: one line per result, rank order

    // `records` must be in rank order and outlive the dialog; `latest` is the result shown as
    // the latest (the one marked so in `records`), copied before the sort.
    CResult(const std::vector<SummaryRecord>& records, SummaryRecord latest,
            QWidget* parent = nullptr);

    // Runs the dialog modally; the controls are filled as it opens. Returns QDialog's result.
    int DoModal();

  protected:
    // Fills the list and the result line and selects the latest line (only when !save:
    // nothing is read back from this dialog).
    void DoDataExchange(bool save);
    void showEvent(QShowEvent* event) override;

  private:
    const std::vector<SummaryRecord>& m_records;
    int m_count = 0;
    SummaryRecord m_latest;

    QLabel* m_resultText = nullptr;
    QPushButton* m_ok = nullptr;
    QListWidget* m_list = nullptr;
    bool m_filled = false;
};

}  // namespace quorvel
