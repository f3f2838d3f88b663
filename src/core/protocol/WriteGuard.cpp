#include "protocol/WriteGuard.h"

#include "protocol/ReadoutRetry.h"

namespace tavrel {

namespace {

std::string joined(const std::vector<std::string>& names, std::string_view separator) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out += separator;
        out += name;
    }
    return out;
}

}  // namespace

WriteCheck checkWrite(const ReadoutProgress& progress, int languageCode) {
    WriteCheck check;
    check.whole = progress.complete();
    if (!check.whole) check.missingGroups = missingGroupNames(progress, languageCode);
    // A device that changed itself and has not answered since: nothing of it is known.
    if (!check.whole && check.missingGroups.empty())
        check.missingGroups.push_back(languageCode == 4 ? "全部参数" : "all settings");
    return check;
}

std::string incompleteWriteQuestion(const WriteCheck& check, WriteKind kind, const UiTexts& texts) {
    std::string text = kind == WriteKind::Save ? texts.incompleteSaveQuestion : texts.incompleteExportQuestion;
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, joined(check.missingGroups, texts.languageCode == 4 ? "、" : ", "));
    return text;
}

std::string incompleteWriteRefusal(const WriteCheck& check, WriteKind kind) {
    const std::string groups = joined(check.missingGroups, ", ");
    if (kind == WriteKind::Export)
        return "some settings of this device were not read (" + groups +
               "); the profile would hold empty values for them. Nothing was written; search again, or add "
               "--force to export anyway";
    return "some settings of this device were not read (" + groups +
           "); saving could overwrite them with empty values. Nothing was sent; search again, or add --force "
           "to save anyway";
}

}  // namespace tavrel
