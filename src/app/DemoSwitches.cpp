#include "app/DemoSwitches.h"

#include "admin/DeviceCommands.h"
#include "admin/LanSearchPage.h"
#include "admin/ServerInfoFrm.h"
#include "app/RecordPage.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordRow.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <memory>

namespace strovik {

namespace {

constexpr int kPtzPage = 3;  // the tool notebook's fourth page
constexpr int kStartDelayMs = 500;
constexpr int kRowPollMs = 200;
constexpr int kRowPolls = 75;  // 15 s for the search to list something

// Searches the first device's first channel for the whole of today, as the page starts, and
// plays the first row in the selected window once the list shows it.
void SearchAndPlayFirstRecord(TStrovikForm* form) {
    form->notebook().setCurrentPage(TRecordPage::kPageIndex);
    form->findChild<QPushButton*>(QStringLiteral("BtnSearch"))->click();
    auto polls = std::make_shared<int>(0);
    auto* poll = new QTimer(form);
    poll->setInterval(kRowPollMs);
    QObject::connect(poll, &QTimer::timeout, form, [form, poll, polls] {
        RecordListModel& rows = form->fileList().model();
        if (rows.rowCount() == 0 && ++*polls < kRowPolls) return;
        poll->deleteLater();
        if (rows.rowCount() == 0) return;
        Q_EMIT form->fileList().playRequested(rows.row(0).fileName());
        // The paused demo: the window holds its picture and shows its control bar.
        if (const int pauseMs = qEnvironmentVariableIntValue("STROVIK_PAUSE_RECORD"); pauseMs > 0)
            QTimer::singleShot(pauseMs, form, [form] { form->grid().windowNumbered(0)->TogglePause(); });
    });
    poll->start();
}

}  // namespace

void ApplyDemoSwitches(TStrovikForm* form) {
    if (const int layout = qEnvironmentVariableIntValue("STROVIK_START_ALL"); layout > 0) {
        QTimer::singleShot(kStartDelayMs, form, [form, layout] {
            form->opening().N1FrameClick(layout);
            form->opening().NStartAllClick();
            // The PTZ demo: the tool column shows the PTZ page, for the first window's camera.
            if (qEnvironmentVariableIntValue("STROVIK_PTZ_PAGE") > 0) form->notebook().setCurrentPage(kPtzPage);
        });
    }
    // "lan" opens the device editor on the LAN page and searches, "manual" on the manual page.
    if (const QString page = qEnvironmentVariable("STROVIK_OPEN_EDITOR"); !page.isEmpty()) {
        QTimer::singleShot(kStartDelayMs, form, [form, page] {
            form->deviceCommands().BtnAddServerClick();
            TServerInfoFrm* editor = form->deviceCommands().editor();
            if (page == QLatin1String("manual")) {
                editor->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
            } else {
                editor->Dev_Find_Tab->FindBtnClick();
            }
        });
    }
    if (qEnvironmentVariableIntValue("STROVIK_PLAY_RECORD") > 0)
        QTimer::singleShot(kStartDelayMs, form, [form] { SearchAndPlayFirstRecord(form); });
}

}  // namespace strovik
