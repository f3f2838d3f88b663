#include "TimingOptions.h"

#include <algorithm>

#include "timing/ScheduleArgs.h"

namespace tavrel::cli {

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
    if (timer) {
        const auto open = parseScheduleDateTime((*timer)[0].toStdString());
        const auto close = parseScheduleDateTime((*timer)[1].toStdString());
        if (!open || !close) {
            error =
                "--timer: times are \"YYYY-MM-DD HH:MM:SS\" (2000-2254; any field may be ff, the year ffff)";
            return std::nullopt;
        }
        change.apply = [o = *open, c = *close](OutputSchedule& s) {
            s.open = o;
            s.close = c;
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Timer);
        };
    } else if (strobe) {
        const auto open = parseStrobeTime((*strobe)[0].toStdString());
        const auto close = parseStrobeTime((*strobe)[1].toStdString());
        if (!open || !close) {
            error = "--strobe: times are numbers 0-65535";
            return std::nullopt;
        }
        change.apply = [o = *open, c = *close](OutputSchedule& s) {
            s.strobeOpen = o;
            s.strobeClose = c;
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Strobe);
        };
    } else {
        const auto openDay = parseWeekday((*week)[0].toStdString());
        const auto openTime = parseScheduleTime((*week)[1].toStdString());
        const auto closeDay = parseWeekday((*week)[2].toStdString());
        const auto closeTime = parseScheduleTime((*week)[3].toStdString());
        if (!openDay || !openTime || !closeDay || !closeTime) {
            error = "--week: days are 1-7 (7 Sunday), times \"HH:MM:SS\" (any field may be ff)";
            return std::nullopt;
        }
        change.apply = [=](OutputSchedule& s) {
            s.weekdays = static_cast<std::uint8_t>(*openDay << 4 | *closeDay);
            std::copy(openTime->begin(), openTime->end(), s.open.begin() + 3);
            std::copy(closeTime->begin(), closeTime->end(), s.close.begin() + 3);
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Week);
        };
    }
    return change;
}

}  // namespace tavrel::cli
