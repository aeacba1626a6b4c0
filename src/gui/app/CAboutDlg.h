#pragma once

#include <QDialog>

namespace quorvel {

// The About box (dialog id 102, "About this application"): the program's name and version and
// a short note. No logic: OK, Escape and the close box close it. The OK button is named "1";
// the static texts "versionLabel" and "noteLabel"; the dialog "CAboutDlg".
class CAboutDlg : public QDialog {
  public:
    static constexpr int kTemplateId = 102;

    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace quorvel
