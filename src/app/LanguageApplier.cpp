#include "app/LanguageApplier.h"

#include "app/LanguageTables.h"
#include "app/MainWindowCaptions.h"
#include "app/ToolNotebook.h"
#include "platform/StringTable.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

namespace strovik {

namespace {

// The tab control a page belongs to: a tab page's parent is the tab control's page stack.
QTabWidget* tabControlOf(QWidget* page) {
    QWidget* stack = page->parentWidget();
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

void setCaption(QObject* control, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* widget = qobject_cast<QWidget*>(control)) {
        if (QTabWidget* tabs = tabControlOf(widget)) tabs->setTabText(tabs->indexOf(widget), text);
    }
}

void apply(QWidget& root, TToolNotebook& notebook, const CaptionEntry& entry, const QString& text) {
    if (entry.target == CaptionTarget::PageCaption) {
        notebook.setPageCaption(entry.index, text);
        return;
    }
    QObject* control = root.findChild<QObject*>(entry.control);
    if (!control) return;
    switch (entry.target) {
        case CaptionTarget::Caption:
            setCaption(control, text);
            break;
        case CaptionTarget::Hint:
            if (auto* widget = qobject_cast<QWidget*>(control)) widget->setToolTip(text);
            break;
        case CaptionTarget::MenuText:
            if (auto* action = qobject_cast<QAction*>(control)) action->setText(text);
            break;
        case CaptionTarget::ColumnTitle:
            if (auto* list = qobject_cast<QAbstractItemView*>(control); list && list->model())
                list->model()->setHeaderData(entry.index, Qt::Horizontal, text);
            break;
        case CaptionTarget::PageCaption:
            break;
    }
}

// The controls that take the language's font besides the window itself.
constexpr const char* kFontControls[] = {
    "PanelBottom", "NotebookTools",   "TreeViewList",     "CmbType",         "CmbChn",
    "BtnSearch",   "GroupBoxFileList", "ListViewFile",    "BtnShowFileList", "LabFileListTotal",
    "LabListNum",  "BtnHideFileList", "BtnAddServer",     "BtnDelServer",    "BtnCancel",
};

}  // namespace

void ApplyLanguageCaptions(QWidget& root, TToolNotebook& notebook, QComboBox& cmbType, const StringTable& strings,
                           bool languageLoaded) {
    for (const CaptionEntry& entry : MainWindowCaptions()) {
        if (const auto text = CaptionText(entry, strings, languageLoaded)) apply(root, notebook, entry, *text);
    }
    cmbType.clear();
    cmbType.addItems(RecordTypeItems(strings, languageLoaded));
    cmbType.setCurrentIndex(0);
}

QFont LanguageFont(const LanguageState& language) {
    QFont font(language.languageFontName);
    if (language.languageFontSize > 0) font.setPointSize(language.languageFontSize);
    return font;
}

void ApplyLanguageFonts(QWidget& root, const LanguageState& language) {
    if (!language.languageLoaded) return;
    const QFont font = LanguageFont(language);
    root.setFont(font);
    for (const char* name : kFontControls)
        if (auto* control = root.findChild<QWidget*>(QLatin1String(name))) control->setFont(font);
    // Menus are windows of their own, which fonts do not reach by inheritance.
    for (QMenu* menu : root.findChildren<QMenu*>()) menu->setFont(font);
}

}  // namespace strovik
