#include "platform/SystemLanguage.h"

#include <array>

namespace strovik {

namespace {

struct LocaleId {
    QLocale::Language language;
    QLocale::Territory territory;  // AnyTerritory: the language's primary identifier
    std::uint16_t id;
};

constexpr std::array kLocaleIds{
    LocaleId{QLocale::Chinese, QLocale::China, 2052},
    LocaleId{QLocale::Chinese, QLocale::Taiwan, 1028},
    LocaleId{QLocale::Chinese, QLocale::HongKong, 3076},
    LocaleId{QLocale::Chinese, QLocale::Singapore, 4100},
    LocaleId{QLocale::Chinese, QLocale::AnyTerritory, 2052},
    LocaleId{QLocale::English, QLocale::UnitedKingdom, 2057},
    LocaleId{QLocale::English, QLocale::AnyTerritory, 1033},
    LocaleId{QLocale::German, QLocale::AnyTerritory, 1031},
    LocaleId{QLocale::French, QLocale::AnyTerritory, 1036},
    LocaleId{QLocale::Spanish, QLocale::AnyTerritory, 3082},
    LocaleId{QLocale::Italian, QLocale::AnyTerritory, 1040},
    LocaleId{QLocale::Portuguese, QLocale::Brazil, 1046},
    LocaleId{QLocale::Portuguese, QLocale::AnyTerritory, 2070},
    LocaleId{QLocale::Russian, QLocale::AnyTerritory, 1049},
    LocaleId{QLocale::Japanese, QLocale::AnyTerritory, 1041},
    LocaleId{QLocale::Korean, QLocale::AnyTerritory, 1042},
    LocaleId{QLocale::Arabic, QLocale::AnyTerritory, 1025},
    LocaleId{QLocale::Turkish, QLocale::AnyTerritory, 1055},
    LocaleId{QLocale::Polish, QLocale::AnyTerritory, 1045},
    LocaleId{QLocale::Dutch, QLocale::AnyTerritory, 1043},
    LocaleId{QLocale::Vietnamese, QLocale::AnyTerritory, 1066},
    LocaleId{QLocale::Thai, QLocale::AnyTerritory, 1054},
};

}  // namespace

std::uint16_t LanguageIdForLocale(const QLocale& locale) {
    for (const LocaleId& entry : kLocaleIds)
        if (entry.language == locale.language() && entry.territory == locale.territory()) return entry.id;
    for (const LocaleId& entry : kLocaleIds)
        if (entry.language == locale.language() && entry.territory == QLocale::AnyTerritory) return entry.id;
    return 1033;
}

std::uint16_t SystemDefaultLanguageId() { return LanguageIdForLocale(QLocale::system()); }

}  // namespace strovik
