#include "gui/app/CSubject.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/app/SeedScan.h"
#include "core/app/SubjectId.h"
#include "gui/platform/DialogTemplate.h"
#include "gui/platform/WindowStacking.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct CSubjectTexts {
    Q_DECLARE_TR_FUNCTIONS(CSubject)
};

QString SubjectFaultMessage(SubjectIdFault fault) {
    switch (fault) {
        case SubjectIdFault::NotCp932:
            return CSubjectTexts::tr(
                "被験者IDに Shift-JIS で書けない文字が含まれています。\n"
                "別の文字に直してください。");
        case SubjectIdFault::BadCharacter:
            return CSubjectTexts::tr(
                "被験者IDに使えない文字が含まれています。\n"
                "\\ / : * ? \" < > | とタブなどの制御文字は使えません。");
        case SubjectIdFault::ReservedName:
            return CSubjectTexts::tr(
                "この被験者IDは記録ファイルの名前に使えません。\n"
                "「.」「..」と CON、PRN、AUX、NUL、COM0～COM9、LPT0～LPT9 は使えません。");
        case SubjectIdFault::EndBlank:
            return CSubjectTexts::tr(
                "被験者IDの先頭または末尾に空白があります。\n"
                "前後の空白を取り除いてください。");
        case SubjectIdFault::EqualsSign:
            return CSubjectTexts::tr(
                "被験者IDに「=」は使えません。\n"
                "別の文字に直してください。");
        case SubjectIdFault::TooLong:
            return CSubjectTexts::tr(
                "被験者IDが長すぎて記録ファイルの名前に使えません。\n"
                "短くしてください。");
        case SubjectIdFault::None:
            break;
    }
    return QString();
}

Qt::CheckState ToCheckState(std::int32_t value) {
    switch (value) {
        case 1:
            return Qt::Checked;
        case 2:
            return Qt::PartiallyChecked;
        default:
            return Qt::Unchecked;
    }
}

std::int32_t FromCheckState(Qt::CheckState state) {
    switch (state) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

QWidget* PickOwner(QWidget* owner) {
    return owner != nullptr ? owner : QApplication::activeWindow();
}

}  // namespace

CSubject::CSubject(MessageBoxService& boxes, QWidget* owner)
    : QDialog(PickOwner(owner)), m_boxes(boxes) {
    setObjectName(QStringLiteral("CSubject"));
    const DialogUnits du =
        ApplyDialogFrame(*this, CSubjectTexts::tr("課題条件"),
                         DialogFont(QStringLiteral("MS UI Gothic"), 11), 244, 87);

    // The group box goes in first so that the radio buttons it frames lie above it.
    auto* group = new QGroupBox(CSubjectTexts::tr("テストタイプ"), this);
    group->setObjectName(QStringLiteral("testTypeGroup"));
    du.Place(*group, {12, 24, 90, 42});

    m_subjectEdit = new QLineEdit(this);
    m_subjectEdit->setObjectName(ControlName(kSubjectEditId));
    du.Place(*m_subjectEdit, {54, 6, 108, 12});

    // Siblings in one parent, so they exclude each other; they are no tab stops.
    m_partA = new QRadioButton(CSubjectTexts::tr("Part A"), this);
    m_partA->setObjectName(ControlName(kPartAId));
    m_partA->setFocusPolicy(Qt::ClickFocus);
    du.Place(*m_partA, {24, 36, 66, 12});

    m_partB = new QRadioButton(CSubjectTexts::tr("Part B"), this);
    m_partB->setObjectName(ControlName(kPartBId));
    m_partB->setFocusPolicy(Qt::ClickFocus);
    du.Place(*m_partB, {24, 48, 66, 12});

    m_seedEdit = new QLineEdit(this);
    m_seedEdit->setObjectName(ControlName(kSeedEditId));
    du.Place(*m_seedEdit, {180, 48, 48, 12});

    m_showRankingCheck = new QCheckBox(CSubjectTexts::tr("Show Ranking"), this);
    m_showRankingCheck->setObjectName(ControlName(kShowRankingId));
    du.Place(*m_showRankingCheck, {132, 66, 84, 12});

    m_ok = new QPushButton(CSubjectTexts::tr("OK"), this);
    m_ok->setObjectName(ControlName(kIdOk));
    m_ok->setDefault(true);
    du.Place(*m_ok, {180, 6, 50, 14});

    m_cancel = new QPushButton(CSubjectTexts::tr("キャンセル"), this);
    m_cancel->setObjectName(ControlName(kIdCancel));
    du.Place(*m_cancel, {180, 24, 50, 14});

    auto* subjectLabel = new QLabel(CSubjectTexts::tr("Subject ID:"), this);
    subjectLabel->setObjectName(QStringLiteral("subjectLabel"));
    subjectLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(*subjectLabel, {6, 6, 42, 12});

    auto* seedLabel = new QLabel(CSubjectTexts::tr("乱数初期値"), this);
    seedLabel->setObjectName(QStringLiteral("seedLabel"));
    seedLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(*seedLabel, {132, 48, 48, 12});

    SetTabChain({m_subjectEdit, m_seedEdit, m_showRankingCheck, m_ok, m_cancel});

    connect(m_partA, &QRadioButton::clicked, this, [this] { m_testType = kPartA; });
    connect(m_partB, &QRadioButton::clicked, this, [this] { m_testType = kPartB; });
    // A flag of 2 in the settings opens the box in its third state; the operator's first click
    // makes it an ordinary two-state box, so it can never be clicked back into that state.
    connect(m_showRankingCheck, &QCheckBox::clicked, this,
            [this] { m_showRankingCheck->setTristate(false); });
    connect(m_ok, &QPushButton::clicked, this, &CSubject::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSubject::reject);
}

CSubject::~CSubject() = default;

int CSubject::DoModal() {
    DoDataExchange(false);
    m_subjectEdit->setFocus();
    m_subjectEdit->selectAll();
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

bool CSubject::DoDataExchange(bool save) {
    if (!save) {
        m_subjectEdit->setText(SubjectIdFromCp932(m_subject));
        m_seedEdit->setText(QString::number(m_seed));
        if (m_showRanking < 0 || m_showRanking > 2) {
            m_showRanking = 0;
        }
        m_showRankingCheck->setTristate(m_showRanking == 2);
        m_showRankingCheck->setCheckState(ToCheckState(m_showRanking));
        return true;
    }

    const QString subject = m_subjectEdit->text();
    const SubjectIdFault fault = CheckSubjectId(subject);
    if (fault != SubjectIdFault::None) {
        Refuse(m_subjectEdit, SubjectFaultMessage(fault));
        return false;
    }
    const std::optional<std::int32_t> seed = ScanSeedText(m_seedEdit->text());
    if (!seed) {
        Refuse(m_seedEdit, CSubjectTexts::tr("乱数初期値には -2147483648 から 2147483647 までの"
                                             "整数を入力してください。"));
        return false;
    }
    m_subject = SubjectIdToCp932(subject);
    m_seed = *seed;
    m_showRanking = FromCheckState(m_showRankingCheck->checkState());
    return true;
}

void CSubject::Refuse(QLineEdit* field, const QString& message) {
    m_boxes.ShowApp(message, BoxIcon::Exclamation);
    field->setFocus();
    field->selectAll();
}

void CSubject::accept() {
    if (DoDataExchange(true)) {
        QDialog::accept();
    }
}

void CSubject::showEvent(QShowEvent* event) {
    SetRadiosFromTestType();
    QDialog::showEvent(event);
}

void CSubject::paintEvent(QPaintEvent* event) {
    SetRadiosFromTestType();
    QDialog::paintEvent(event);
}

void CSubject::SetRadiosFromTestType() {
    // Checking one of two exclusive buttons clears the other.
    if (IsPartA(m_testType)) {
        m_partA->setChecked(true);
    } else {
        m_partB->setChecked(true);
    }
}

bool EditConditions(ExperimentState& state, MessageBoxService& boxes, QWidget* owner,
                    QWindow* stackOver) {
    CSubject dialog(boxes, owner);
    // Asked for while the experiment window already covers the screen: the dialog stands
    // over it, not under it.
    StackAbove(dialog, stackOver);
    const OverFullScreen stepAside(stackOver);
    dialog.m_subject = state.subject;
    dialog.m_seed = state.random_seed;
    dialog.m_testType = state.test_type;
    dialog.m_showRanking = state.flag_ranking;
    if (dialog.DoModal() != kIdOk) {
        return false;
    }
    state.subject = dialog.m_subject;
    state.test_type = dialog.m_testType;
    state.random_seed = dialog.m_seed;
    state.flag_ranking = dialog.m_showRanking;
    return true;
}

}  // namespace quorvel
