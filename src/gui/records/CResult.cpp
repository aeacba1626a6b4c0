#include "gui/records/CResult.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <QShowEvent>
#include <QString>
#include <QStringList>
#include <utility>

#include "core/platform/Cp932.h"
#include "core/records/RankingOrder.h"
#include "core/records/RankingText.h"
#include "gui/platform/DialogTemplate.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct CResultTexts {
    Q_DECLARE_TR_FUNCTIONS(CResult)
};

// The line over the list. In Japanese it is the ranking's own CP932 line; a translation gives
// the same facts in its own words.
QString ResultLine(const SummaryRecord& latest, int count, int rank) {
    const QString own = FromCp932(QByteArray::fromStdString(FormatResultLine(latest, count, rank)));
    const char* const source = QT_TRANSLATE_NOOP(
        "CResult",
        "【最終結果(%1)】 %2 さん ／ 記録：%3 秒　（順位: %4 人中 %5 位 ／ 上位から %6 ％）");
    const QString translated = CResultTexts::tr(source);
    if (translated == QString::fromUtf8(source)) {
        return own;
    }
    const auto decode = [](const std::string& bytes) {
        return FromCp932(QByteArray::fromStdString(bytes));
    };
    const double percentage = count > 0 ? static_cast<double>(rank) / count * 100 : 0.0;
    return translated.arg(decode(latest.type), decode(latest.subject),
                          QString::fromStdString(FormatFixed(latest.total_rt, 3)),
                          QString::number(count), QString::number(rank),
                          QString::fromStdString(FormatFixed(percentage, 1)));
}

}  // namespace

CResult::CResult(const std::vector<SummaryRecord>& records, SummaryRecord latest, QWidget* parent)
    : QDialog(parent),
      m_records(records),
      m_count(static_cast<int>(records.size())),
      m_latest(std::move(latest)) {
    setObjectName(QString::number(kTemplateId));
    // The template's face where it exists; otherwise an installed Japanese one.
    QFont font = DialogFont(QStringLiteral("MS UI Gothic"), 11);
    font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP")});
    const DialogUnits du = ApplyDialogFrame(*this, CResultTexts::tr("結果"), font, 474, 285);

    // Created in the template's order, which is also the tab order.
    m_resultText = new QLabel(CResultTexts::tr("最終結果表示"), this);
    m_resultText->setObjectName(QString::number(kIdResultText));
    m_resultText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_resultText->setGeometry(du.Rect({18, 12, 392, 12}));

    m_ok = new QPushButton(CResultTexts::tr("OK"), this);
    m_ok->setObjectName(QString::number(kIdOk));
    m_ok->setDefault(true);
    m_ok->setGeometry(du.Rect({417, 7, 50, 14}));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_list = new QListWidget(this);
    m_list->setObjectName(QString::number(kIdList));
    m_list->setGeometry(du.Rect({18, 30, 429, 240}));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setUniformItemSizes(true);  // every line is one line of the same font
    m_list->setSortingEnabled(false);   // the lines come in rank order
}

int CResult::DoModal() {
    return exec();
}

void CResult::DoDataExchange(bool save) {
    if (save) {
        return;
    }
    // The controls show QString; the records hold CP932 bytes.
    const auto decode = [](const std::string& bytes) {
        return FromCp932(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    };
    QStringList lines;
    lines.reserve(m_count);
    for (int k = 1; k <= m_count; ++k) {
        lines.append(decode(FormatRankingLine(k, m_records[k - 1])));
    }
    m_list->addItems(lines);
    const int rank = RankOfLatest(m_records);
    m_resultText->setText(ResultLine(m_latest, m_count, rank));
    if (rank > 0) {
        m_list->setCurrentRow(rank - 1);
    }
}

void CResult::showEvent(QShowEvent* event) {
    if (!m_filled) {
        m_filled = true;
        DoDataExchange(false);
    }
    QDialog::showEvent(event);
    if (QListWidgetItem* current = m_list->currentItem()) {
        m_list->scrollToItem(current);
    }
}

}  // namespace quorvel
