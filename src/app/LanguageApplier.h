#pragma once

#include <QFont>

class QComboBox;
class QWidget;

namespace strovik {

struct LanguageState;
class StringTable;
class TToolNotebook;

// Sets the main window's captions, hints, menu texts, list column titles and record types from the
// caption table: the language file's texts when one was loaded, else the built-in English words
// (controls without one keep their design captions). Controls are found by their design names
// below root.
void ApplyLanguageCaptions(QWidget& root, TToolNotebook& notebook, QComboBox& cmbType, const StringTable& strings,
                           bool languageLoaded);

// The language file's font face and size (the download dialog takes it too).
QFont LanguageFont(const LanguageState& language);

// Gives the main window and the controls the language file names its font face and size; nothing
// unless a language file was loaded.
void ApplyLanguageFonts(QWidget& root, const LanguageState& language);

}  // namespace strovik
