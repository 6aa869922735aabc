#include "liveview/RecordButtons.h"

#include "liveview/LiveViewState.h"
#include "liveview/MyView.h"
#include "liveview/RecordNaming.h"
#include "liveview/ViewForm.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"

#include <QPushButton>

namespace strovik {

namespace {

constexpr int kRecordOneCaption = 4010;
constexpr int kStopOneCaption = 4011;
constexpr int kRecordAllCaption = 4020;
constexpr int kStopAllCaption = 4021;
constexpr int kPictureSavedEntry = 8;

}  // namespace

RecordButtons::RecordButtons(Controls controls, TViewForm& grid, LiveViewState& state, const StringTable& strings,
                             UiServices& ui, QWidget* owner)
    : controls_(controls), grid_(grid), state_(state), strings_(strings), ui_(ui), owner_(owner) {}

void RecordButtons::setCaption(QPushButton* button, int entry) {
    button->setText(strings_.Lookup(entry));
}

bool RecordButtons::anyWindowReady() const {
    for (int i = 0; i < grid_.layout(); ++i)
        if (grid_.view(i)->readyToRecord()) return true;
    return false;
}

bool RecordButtons::selectedReady() const {
    return grid_.view(grid_.selected())->readyToRecord();
}

void RecordButtons::RecAllBtnClick() {
    if (state_.recordingAll) {
        for (int i = 0; i < grid_.layout(); ++i) {
            TMyView* window = grid_.view(i);
            if (window->readyToRecord() && window->recording() != 0) window->StopRecord();
        }
        state_.recordingAll = false;
        setCaption(controls_.RecAllBtn, kRecordAllCaption);
    } else {
        int count = 0;
        for (int i = 0; i < grid_.layout(); ++i) {
            TMyView* window = grid_.view(i);
            if (!window->readyToRecord()) continue;
            if (window->recording() == 0) window->StartRecord(RecordingBaseDirectory());
            ++count;  // also a window that already records, or whose start failed
        }
        if (count > 0) {
            state_.recordingAll = true;
            setCaption(controls_.RecAllBtn, kStopAllCaption);
        }
    }
    RefreshRecordButton();
}

void RecordButtons::RecChnBtnClick() {
    TMyView* window = grid_.view(grid_.selected());
    if (!window->readyToRecord()) return;
    if (window->recording() != 0) {
        window->StopRecord();
        setCaption(controls_.RecChnBtn, kRecordOneCaption);
    } else {
        window->StartRecord(RecordingBaseDirectory());
        setCaption(controls_.RecChnBtn, kStopOneCaption);
    }
}

void RecordButtons::SnapBtnClick() {
    const QString directory = SnapshotDirectory();
    if (!grid_.SnapshotWindow(directory, grid_.selected() + 1)) return;
    ui_.ShowMessage(owner_, MessageRequest{QStringLiteral("ZENTROVA"),
                                           strings_.Lookup(kPictureSavedEntry) + QLatin1Char(' ') + directory,
                                           MessageIcon::None, MessageButtons::Ok});
}

void RecordButtons::EnableRecordAllButton() {
    if (!controls_.RecAllBtn->isEnabled() && anyWindowReady()) controls_.RecAllBtn->setEnabled(true);
}

void RecordButtons::DisableRecordAllButton() {
    if (!controls_.RecAllBtn->isEnabled() || anyWindowReady()) return;
    state_.recordingAll = false;
    setCaption(controls_.RecAllBtn, kRecordAllCaption);
    controls_.RecAllBtn->setEnabled(false);
}

void RecordButtons::EnableRecordButton() {
    if (!controls_.RecChnBtn->isEnabled() && selectedReady()) controls_.RecChnBtn->setEnabled(true);
}

void RecordButtons::DisableRecordButton() {
    if (!controls_.RecChnBtn->isEnabled() || selectedReady()) return;
    setCaption(controls_.RecChnBtn, kRecordOneCaption);
    controls_.RecChnBtn->setEnabled(false);
}

void RecordButtons::RefreshRecordButton() {
    if (selectedReady()) {
        controls_.RecChnBtn->setEnabled(true);
        setCaption(controls_.RecChnBtn,
                   grid_.view(grid_.selected())->recording() != 0 ? kStopOneCaption : kRecordOneCaption);
        return;
    }
    setCaption(controls_.RecChnBtn, kRecordOneCaption);
    controls_.RecChnBtn->setEnabled(false);
}

}  // namespace strovik
