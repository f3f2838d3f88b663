#include "TimingOptions.h"

#include <algorithm>

#include "timing/ScheduleArgs.h"

namespace tavrel::cli {

namespace {

using Change = std::function<void(OutputSchedule&)>;

std::optional<Change> timerChange(const QStringList& words, QString& error) {
    const auto open = parseScheduleDateTime(words[0].toStdString());
    const auto close = parseScheduleDateTime(words[1].toStdString());
    if (!open || !close) {
        error = "--timer: times are \"YYYY-MM-DD HH:MM:SS\" (2000-2254; any field may be ff, the year ffff)";
        return std::nullopt;
    }
    return [o = *open, c = *close](OutputSchedule& s) {
        s.open = o;
        s.close = c;
        s.mode = static_cast<std::uint8_t>(ScheduleMode::Timer);
    };
}

std::optional<Change> strobeChange(const QStringList& words, QString& error) {
    const auto open = parseStrobeTime(words[0].toStdString());
    const auto close = parseStrobeTime(words[1].toStdString());
    if (!open || !close) {
        error = "--strobe: times are numbers 0-65535";
        return std::nullopt;
    }
    return [o = *open, c = *close](OutputSchedule& s) {
        s.strobeOpen = o;
        s.strobeClose = c;
        s.mode = static_cast<std::uint8_t>(ScheduleMode::Strobe);
    };
}

std::optional<Change> weekChange(const QStringList& words, QString& error) {
    const auto openDay = parseWeekday(words[0].toStdString());
    const auto openTime = parseScheduleTime(words[1].toStdString());
    const auto closeDay = parseWeekday(words[2].toStdString());
    const auto closeTime = parseScheduleTime(words[3].toStdString());
    if (!openDay || !openTime || !closeDay || !closeTime) {
        error = "--week: days are 1-7 (7 Sunday), times \"HH:MM:SS\" (any field may be ff)";
        return std::nullopt;
    }
    return [=](OutputSchedule& s) {
        s.weekdays = static_cast<std::uint8_t>(*openDay << 4 | *closeDay);
        std::copy(openTime->begin(), openTime->end(), s.open.begin() + 3);
        std::copy(closeTime->begin(), closeTime->end(), s.close.begin() + 3);
        s.mode = static_cast<std::uint8_t>(ScheduleMode::Week);
    };
}

}  // namespace

std::optional<ScheduleChange> parseChange(const ParsedArguments& args, QString& error) {
    ScheduleChange change;
    const auto channel = args.number("--channel");
    if (!channel) {
        error = "--channel: which output, 1-8";
        return std::nullopt;
    }
    change.channel = std::size_t(*channel - 1);
    auto words = [&](const char* name) -> std::optional<QStringList> {
        if (!args.flag(name)) return std::nullopt;
        return args.words(name);
    };
    const auto timer = words("--timer");
    const auto strobe = words("--strobe");
    const auto week = words("--week");
    if (int(timer.has_value()) + int(strobe.has_value()) + int(week.has_value()) != 1) {
        error = "give exactly one of --timer, --strobe, --week";
        return std::nullopt;
    }
    const auto apply = timer    ? timerChange(*timer, error)
                       : strobe ? strobeChange(*strobe, error)
                                : weekChange(*week, error);
    if (!apply) return std::nullopt;
    change.apply = *apply;
    return change;
}

}  // namespace tavrel::cli
