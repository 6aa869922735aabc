// A language file as anyone may have edited it, in any encoding, read as the program reads it at
// start-up, then every caption looked up.
#include "FuzzSupport.h"
#include "app/LanguageTables.h"
#include "platform/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace strovik;
    constexpr std::uint16_t kEnglish = 1033;
    const fuzz::InputFile file(QStringLiteral("1033.ini"), data, size);
    StringTable table;
    const LanguageState state = LoadLanguage(file.folder(), kEnglish, table);
    if (!state.languageLoaded) std::abort();  // the file is there, whatever it holds
    for (const auto& [id, text] : BuiltInEnglishEntries()) (void)table.Lookup(id);
    return 0;
}
