#include "core/records/RunEvents.h"

#include <QStringList>
#include <chrono>

#include "core/experiment/HitTest.h"
#include "core/records/CsvText.h"

namespace quorvel {

namespace {

QString VerdictText(const InputEvent& event) {
    if (!event.press) {
        return QString();  // a release is never judged
    }
    switch (event.verdict) {
        case InputVerdict::Correct:
            return QStringLiteral("correct");
        case InputVerdict::Wrong:
            return QStringLiteral("wrong");
        case InputVerdict::NotCounted:
            break;
    }
    return QStringLiteral("not_counted");
}

}  // namespace

QByteArray RunEventsHeader() {
    return QByteArray(kUtf8Bom) +
           CsvRow({QStringLiteral("time_us"), QStringLiteral("event"), QStringLiteral("source"),
                   QStringLiteral("source_id"), QStringLiteral("x"), QStringLiteral("y"),
                   QStringLiteral("circle"), QStringLiteral("awaited"), QStringLiteral("verdict")});
}

std::int64_t MicrosFromOrigin(const InputJournal& journal, EventTime at) {
    if (journal.ResetCount() == 0) {
        return 0;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at - journal.Reset(0));
    // Rounded down also before the origin, so a time is never later than the event.
    const std::int64_t n = ns.count();
    return n >= 0 ? n / 1000 : -((-n + 999) / 1000);
}

std::optional<std::int64_t> TotalRtOriginMicros(const InputJournal& journal) {
    if (journal.ResetCount() < 2) {
        return std::nullopt;
    }
    return MicrosFromOrigin(journal, journal.Reset(1));
}

QByteArray RunEventsRows(const InputJournal& journal, const ExperimentState& state,
                         const StimulusMapping& mapping) {
    QByteArray rows;
    for (const InputEvent& event : journal.Events()) {
        const Stimulus at = ToStimulus(mapping, event.x, event.y);
        rows += CsvRow(
            {QString::number(MicrosFromOrigin(journal, event.at)),
             event.press ? QStringLiteral("press") : QStringLiteral("release"),
             event.source == InputSource::Touch ? QStringLiteral("touch") : QStringLiteral("mouse"),
             QString::number(event.source_id), QString::number(at.x), QString::number(at.y),
             QString::number(CircleNumberAt(state.stimuli, at)), QString::number(event.awaited + 1),
             VerdictText(event)});
    }
    return rows;
}

std::vector<Stimulus> WrongPresses(const InputJournal& journal, const StimulusMapping& mapping) {
    std::vector<Stimulus> wrong;
    for (const InputEvent& event : journal.Events()) {
        if (event.press && event.verdict == InputVerdict::Wrong) {
            wrong.push_back(ToStimulus(mapping, event.x, event.y));
        }
    }
    return wrong;
}

}  // namespace quorvel
