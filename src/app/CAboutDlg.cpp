#include "app/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/DialogTemplate.h"

namespace quorvel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    const DialogUnits du =
        ApplyDialogFrame(*this, QStringLiteral("About this application"),
                         DialogFont(QStringLiteral("ＭＳ Ｐゴシック"), 9), 200, 62);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(kIdOk));
    ok->setDefault(true);
    du.Place(*ok, {143, 7, 50, 14});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* version = new QLabel(QStringLiteral("Quorvel (v.1.005)"), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(*version, {7, 7, 106, 11});

    auto* note =
        new QLabel(QStringLiteral("Timed connect-the-targets test\nfor touch screens"), this);
    note->setObjectName(QStringLiteral("noteLabel"));
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);
    du.Place(*note, {7, 23, 129, 26});
}

}  // namespace quorvel
