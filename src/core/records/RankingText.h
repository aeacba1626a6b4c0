#pragma once

#include <string>

#include "core/records/SummaryRecord.h"

namespace quorvel {

// The texts of the results dialog, as CP932 bytes (the records' fields are CP932 already).
// Numbers are printed as the C runtime's printf prints them in the "C" locale, whatever the
// process's locale: a point for the decimal separator, correctly rounded.

// List line of rank `rank`: "%04d:  %s   %s (%s)   %6.3f   %s" from the rank, type, date,
// time, total time and subject.
std::string FormatRankingLine(int rank, const SummaryRecord& record);

// The latest result's line: "【最終結果(%s)】 %s さん ／ 記録：%.3f 秒　（順位: %d 人中 %d 位 ／
// 上位から %.1f ％）" from its type, subject, total time, the count, its rank and rank / count
// × 100. The character after 秒 is the ideographic space.
std::string FormatResultLine(const SummaryRecord& latest, int count, int rank);

// printf's "%*.*f" for a finite value: at least `width` characters, right-aligned with blanks.
std::string FormatFixed(double value, int precision, int width = 0);

}  // namespace quorvel
