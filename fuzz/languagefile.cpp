// The language file: any bytes give a language, and storing a language into any file keeps every
// byte after the first and reads back as that language.
#include "texts/LanguageFile.h"
#include "FuzzInput.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)languageFromBytes(bytes);
    for (Language language : {Language::Chinese, Language::English}) {
        const std::string stored = withLanguageLetter(bytes, language);
        FUZZ_CHECK(languageFromBytes(stored) == language);
        FUZZ_CHECK(stored.size() == std::max<std::size_t>(size, 1));
        FUZZ_CHECK(size == 0 || stored.compare(1, std::string::npos, bytes.substr(1)) == 0);
    }
    return 0;
}
