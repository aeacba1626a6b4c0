#include "gui/app/CAboutDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "core/app/Version.h"
#include "gui/platform/DialogTemplate.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct CAboutDlgTexts {
    Q_DECLARE_TR_FUNCTIONS(CAboutDlg)
};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    const DialogUnits du =
        ApplyDialogFrame(*this, CAboutDlgTexts::tr("About this application"),
                         DialogFont(QStringLiteral("ＭＳ Ｐゴシック"), 9), 200, 62);

    auto* ok = new QPushButton(CAboutDlgTexts::tr("OK"), this);
    ok->setObjectName(ControlName(kIdOk));
    ok->setDefault(true);
    du.Place(*ok, {143, 7, 50, 14});
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* version = new QLabel(
        QStringLiteral("Quorvel (v.") + QLatin1String(kVersion) + QLatin1Char(')'), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(*version, {7, 7, 106, 11});

    // The operator can check where this station's files go. A path has no spaces to wrap at,
    // so a long one loses its middle here; the tooltip has it whole.
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    auto* note = new QLabel(this);
    note->setObjectName(QStringLiteral("noteLabel"));
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(*note, {7, 23, 129, 26});
    note->setText(CAboutDlgTexts::tr("Data folder:\n") +
                  note->fontMetrics().elidedText(folder, Qt::ElideMiddle, note->width()));
    note->setToolTip(folder);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

}  // namespace quorvel
