#pragma once

class QWidget;

namespace quorvel {

// The ranking: reads "QVL.txt" in the working directory, sorts its results by total time
// and shows them in the results dialog, modal over `owner` (the main frame; may be null),
// with the file's last result line as the latest. Returns when the dialog has closed. A
// missing or unreadable file, or one without result lines, shows nothing and says nothing.
void OnShowResult(QWidget* owner = nullptr);

}  // namespace quorvel
