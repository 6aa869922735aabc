#pragma once

#include <QLocale>

#include <cstdint>

namespace strovik {

// The Windows language identifier (LANGID) of a locale: 2052 for Chinese (PRC), 1033 for English
// (US) and so on. Locales without an entry of their own fall back to their language's primary
// identifier, and unknown languages to 1033.
std::uint16_t LanguageIdForLocale(const QLocale& locale);

// The identifier of the operating system's default language.
std::uint16_t SystemDefaultLanguageId();

}  // namespace strovik
