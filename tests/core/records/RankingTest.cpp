#include <gtest/gtest.h>

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/Cp932.h"
#include "core/records/RankingOrder.h"
#include "core/records/RankingText.h"
#include "core/records/SummaryReader.h"

namespace quorvel {
namespace {

// The pairwise exchange sort whose result the ranking order must reproduce exactly.
void ExchangeSort(std::vector<SummaryRecord>& a) {
    for (std::size_t i = 0; i + 1 < a.size(); ++i) {
        for (std::size_t j = i + 1; j < a.size(); ++j) {
            if (a[i].total_rt >= a[j].total_rt) {
                const SummaryRecord temporary = a[i];
                a[i] = a[j];
                a[j] = temporary;
            }
        }
    }
}

std::vector<std::pair<std::string, bool>> Identities(const std::vector<SummaryRecord>& records) {
    std::vector<std::pair<std::string, bool>> ids;
    for (const SummaryRecord& r : records) {
        ids.emplace_back(r.subject, r.latest);
    }
    return ids;
}

TEST(RankingOrder, EqualsTheExchangeSortOnRandomDataWithManyTies) {
    QRandomGenerator rng(7);
    // Few distinct times, so most records tie; -0.0 and 0.0 tie as well.
    const double times[] = {-0.0, 0.0, 1.5, 20.0, 25.0, 123.456, -3.0};
    for (int trial = 0; trial < 400; ++trial) {
        const int n = trial == 0 ? 2000 : static_cast<int>(rng.bounded(120));
        std::vector<SummaryRecord> records(n);
        for (int i = 0; i < n; ++i) {
            records[i].subject = std::to_string(i);
            records[i].total_rt = times[rng.bounded(trial % 2 == 0 ? 3 : 7)];
        }
        if (n > 0) {
            records.back().latest = true;
        }
        std::vector<SummaryRecord> expected = records;
        ExchangeSort(expected);
        const double latestTime = n > 0 ? records.back().total_rt : 0.0;
        SortByTotalTime(records);
        ASSERT_EQ(Identities(records), Identities(expected)) << "trial " << trial;
        // The latest gets the best of its tied ranks.
        int faster = 0;
        for (const SummaryRecord& r : records) {
            faster += r.total_rt < latestTime ? 1 : 0;
        }
        EXPECT_EQ(RankOfLatest(records), n > 0 ? faster + 1 : 0) << "trial " << trial;
    }
}

QString Decode(const std::string& cp932) {
    bool exact = false;
    const QString text = FromCp932(QByteArray::fromStdString(cp932), &exact);
    EXPECT_TRUE(exact) << cp932;
    return text;
}

struct Ranked {
    std::vector<SummaryRecord> records;
    int rank;
    std::string resultLine;
};

// The ranking as the results dialog makes it: the latest copied before the sort.
Ranked Rank(const std::string& body) {
    Ranked out;
    out.records =
        ParseSummary(QByteArray::fromStdString("Type\tDate\tTime\tSubject\tTotalRT\r\n" + body));
    const SummaryRecord latest = out.records.back();
    SortByTotalTime(out.records);
    out.rank = RankOfLatest(out.records);
    out.resultLine = FormatResultLine(latest, static_cast<int>(out.records.size()), out.rank);
    return out;
}

std::string Line(const char* type, const char* subject, const char* time) {
    return std::string(type) + "\t2024/05/06\t10:00:00\t" + subject + "\t" + time + "\r\n";
}

TEST(Ranking, ResultLineStatesTheLatestRankAndPercentage) {
    const struct {
        const char* what;
        std::string body;
        std::string resultLine;  // UTF-8; "順位: count 人中 rank 位"
        std::vector<std::string> subjectsInRankOrder;
    } cases[] = {
        {"Part A and Part B rank in one list",
         Line("A", "S1", "20.000") + Line("A", "S2", "25.000") + Line("A", "S3", "30.000") +
             Line("B", "S4", "40.000"),
         "【最終結果(B)】 S4 さん ／ 記録：40.000 秒　（順位: 4 人中 4 位 ／ 上位から 100.0 ％）",
         {"S1", "S2", "S3", "S4"}},
        {"a tie puts the latest first",
         Line("A", "S1", "20.000") + Line("A", "S2", "25.000") + Line("A", "S3", "20.000"),
         "【最終結果(A)】 S3 さん ／ 記録：20.000 秒　（順位: 3 人中 1 位 ／ 上位から 33.3 ％）",
         {"S3", "S1", "S2"}},
        {"one result",
         Line("B", "S1", "31.5"),
         "【最終結果(B)】 S1 さん ／ 記録：31.500 秒　（順位: 1 人中 1 位 ／ 上位から 100.0 ％）",
         {"S1"}},
        {"an empty subject keeps its real time",
         Line("A", "S1", "20.000") + Line("A", "S2", "30.000") + Line("A", "", "23.456"),
         "【最終結果(A)】  さん ／ 記録：23.456 秒　（順位: 3 人中 2 位 ／ 上位から 66.7 ％）",
         {"S1", "", "S2"}},
        {"fields that are not plain decimals count as 0.000",
         Line("A", "nan", "nan") + Line("A", "inf", "inf") + Line("A", "hex", "0x10") +
             Line("A", "exp", "1e3") + Line("A", "S1", "20.000") + Line("B", "S2", "25.000"),
         "【最終結果(B)】 S2 さん ／ 記録：25.000 秒　（順位: 6 人中 6 位 ／ 上位から 100.0 ％）",
         {"hex", "inf", "nan", "exp", "S1", "S2"}},
        {"a CP932 subject",
         Line("A", "S1", "10.000") + Line("B", "\x83\x65\x83\x58\x83\x67", "12.345"),
         "【最終結果(B)】 テスト さん ／ 記録：12.345 秒　（順位: 2 人中 2 位 ／ 上位から 100.0 "
         "％）",
         {"S1", "\x83\x65\x83\x58\x83\x67"}},
    };
    for (const auto& c : cases) {
        const Ranked r = Rank(c.body);
        EXPECT_EQ(Decode(r.resultLine).toStdString(), c.resultLine) << c.what;
        std::vector<std::string> subjects;
        for (const SummaryRecord& rec : r.records) {
            subjects.push_back(rec.subject);
        }
        EXPECT_EQ(subjects, c.subjectsInRankOrder) << c.what;
    }
    // The blank after the seconds is the ideographic space, CP932 0x81 0x40.
    EXPECT_NE(Rank(Line("A", "S", "1.000")).resultLine.find("\x95\x62\x81\x40\x81\x69"),
              std::string::npos);
}

TEST(Ranking, ListLinesPadTheTimeToSixCharacters) {
    SummaryRecord r;
    r.type = "A";
    r.date = "2024/05/06";
    r.time = "10:11:12";
    const struct {
        int rank;
        double total_rt;
        const char* subject;
        const char* line;
    } rows[] = {
        {1, 5.123, "SBJ", "0001:  A   2024/05/06 (10:11:12)    5.123   SBJ"},
        {12, 123.456, "", "0012:  A   2024/05/06 (10:11:12)   123.456   "},
        {9999, 0.0, "X", "9999:  A   2024/05/06 (10:11:12)    0.000   X"},
        {10000, 23.4565, "X", "10000:  A   2024/05/06 (10:11:12)   23.456   X"},
        {3, -1.5, "\x83\x65", "0003:  A   2024/05/06 (10:11:12)   -1.500   \x83\x65"},
    };
    for (const auto& row : rows) {
        r.total_rt = row.total_rt;
        r.subject = row.subject;
        EXPECT_EQ(FormatRankingLine(row.rank, r), row.line);
    }
}

TEST(Ranking, NumbersPrintAsPrintfDoesInTheCLocale) {
    // This process runs in the "C" locale, so printf itself is the reference.
    QRandomGenerator rng(11);
    std::vector<double> values = {0.0,  -0.0,  0.0005, 2.0005, 0.05,    0.15,
                                  0.25, 99.95, 1e20,   -7.25,  23.4565, 999999.9995};
    for (int i = 0; i < 2000; ++i) {
        values.push_back(rng.bounded(10000000) / 1000.0);
        values.push_back(rng.generateDouble() * 1000.0);
    }
    for (int n = 1; n <= 60; ++n) {
        for (int k = 1; k <= n; ++k) {
            values.push_back(static_cast<double>(k) / n * 100);
        }
    }
    char expected[64];
    for (const double v : values) {
        std::snprintf(expected, sizeof expected, "%6.3f", v);
        ASSERT_EQ(FormatFixed(v, 3, 6), expected) << v;
        std::snprintf(expected, sizeof expected, "%.1f", v);
        ASSERT_EQ(FormatFixed(v, 1), expected) << v;
    }
}

}  // namespace
}  // namespace quorvel
