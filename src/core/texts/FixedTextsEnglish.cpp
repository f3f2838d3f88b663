#include "texts/FixedTextsEnglish.h"

#include <utility>

#include "texts/FixedTexts.h"

namespace tavrel {

namespace {

constexpr std::pair<std::string_view, std::string_view> kEnglish[] = {
    {fixed::kConfigFailed, "Configuration failed. Search the devices again, then retry."},
    {fixed::kInvalidRemoteHost, "Invalid address!"},
    {fixed::kCloudPasswordLength, "The cloud password has 8 characters"},
    {fixed::kCloudIdLength, "The cloud ID has 20 characters"},
    {fixed::kNumberRangePattern, "Enter a number from 0 to %d!"},
    {fixed::kImportProfileFirst, "Import a profile first!"},
    {fixed::kTransferError, "Transfer error"},
    {fixed::kBlockNumberMismatch, "The block number is wrong!"},
    {fixed::kResending, "Resending..."},
    {fixed::kReadingParameters, "Reading settings..."},
    {fixed::kSavingParameters, "Saving settings..."},
    {fixed::kCalibrating, "Setting the clock..."},
    {fixed::kCalibrated, "Clock set"},
    {fixed::kParametersRead, "Settings read"},
    {fixed::kParametersSaved, "Settings saved"},
    {fixed::kChooseBoard, "Select a board"},
    {fixed::kNoRtcSupport, "This board has no clock"},
    {fixed::kChooseMode, "Choose a mode"},
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The English of one line, if the line is one of the messages; "%d" matches a run of digits.
std::string englishLine(std::string_view line) {
    for (const auto& [chinese, english] : kEnglish) {
        const auto at = chinese.find("%d");
        if (at == std::string_view::npos) {
            if (line == chinese) return std::string(english);
            continue;
        }
        const std::string_view head = chinese.substr(0, at);
        const std::string_view tail = chinese.substr(at + 2);
        if (line.size() <= head.size() + tail.size() || line.substr(0, head.size()) != head ||
            line.substr(line.size() - tail.size()) != tail)
            continue;
        const std::string_view number = line.substr(head.size(), line.size() - head.size() - tail.size());
        bool digits = true;
        for (char c : number) digits = digits && isDigit(c);
        if (!digits) continue;
        std::string out(english);
        out.replace(out.find("%d"), 2, number);
        return out;
    }
    return std::string(line);
}

}  // namespace

std::string englishOfFixedTexts(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        out += englishLine(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return out;
        out += '\n';
        start = end + 1;
    }
}

}  // namespace tavrel
