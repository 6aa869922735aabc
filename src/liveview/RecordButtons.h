#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace strovik {

class StringTable;
class TViewForm;
class UiServices;
struct LiveViewState;

// The main window's record and snapshot buttons: recording of the selected window, of every
// window of the layout, and the snapshot of the selected window, with the captions and enabled
// states that follow the windows. Main thread only.
class RecordButtons final {
public:
    struct Controls {
        QPushButton* RecAllBtn = nullptr;
        QPushButton* RecChnBtn = nullptr;
    };
    RecordButtons(Controls controls, TViewForm& grid, LiveViewState& state, const StringTable& strings, UiServices& ui,
                  QWidget* owner);

    void RecAllBtnClick();
    void RecChnBtnClick();
    void SnapBtnClick();

    void EnableRecordAllButton();
    void DisableRecordAllButton();
    void EnableRecordButton();
    void DisableRecordButton();
    void RefreshRecordButton();

private:
    bool anyWindowReady() const;
    bool selectedReady() const;
    void setCaption(QPushButton* button, int entry);

    Controls controls_;
    TViewForm& grid_;
    LiveViewState& state_;
    const StringTable& strings_;
    UiServices& ui_;
    QWidget* owner_;
};

}  // namespace strovik
