#pragma once

// The main window (TStrovikForm, offscreen) with the program's real device libraries against a
// devsim process that plays one DVR, as the grid benchmarks run it.
#include "DevsimProcess.h"
#include "app/StrovikForm.h"
#include "platform/AudioMixer.h"
#include "platform/UiServices.h"

#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <vector>

namespace strovik {
class TMyView;
class TViewForm;
class NetworkCameras;
class VideoClientLibrary;
}  // namespace strovik

namespace strovik::bench {

// Message boxes in a benchmark are a failure of the run: printed, answered with the default.
class BenchUi final : public UiServices {
public:
    MessageAnswer ShowMessage(QWidget* owner, const MessageRequest& request) override;
    QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool OpenWithShell(const QString&) override { return false; }
    int messages() const { return messages_; }

private:
    int messages_ = 0;
};

// devsim with one DVR of `channels` channels (user admin/admin, port 5050, more keys for its
// section in deviceKeys) and the main window with that DVR in its device list. The grid is
// 1280 x 720, as the live decode benchmark lays its tiles out.
class GridSite final {
public:
    static constexpr int kGridWidth = 1280;
    static constexpr int kGridHeight = 720;

    GridSite();
    ~GridSite();  // the window first, then the libraries, then devsim

    // videoClient: the library the window gets (a wrapper of video(), for instance); null for the
    // real one itself. Exits the benchmark when something does not start.
    void start(int channels, const QString& deviceKeys, std::chrono::milliseconds devsimReadyTimeout,
               std::shared_ptr<VideoClientLibrary> videoClient = nullptr);
    // The main window alone, on the caller's device list (cameras of other makes, for instance).
    void openWindow(const QByteArray& deviceList, std::shared_ptr<VideoClientLibrary> videoClient = nullptr);

    devsim::DevsimProcess& devsim() { return devsim_; }
    // The real video client library (what the window's library forwards to, when decorated).
    const std::shared_ptr<VideoClientLibrary>& video() const { return video_; }
    TStrovikForm& form() { return *form_; }
    TViewForm& grid();
    TMyView& window(int index);
    const BenchUi& ui() const { return ui_; }

    // Chooses the layout and runs start-all, as the operator would from the menus, and waits
    // until the opening ended and every window of the layout is live and has painted a few
    // pictures. The number of windows that got there (the layout when all did).
    int openPage(int layout, std::chrono::milliseconds timeout);
    // Pictures painted so far by windows 0..n-1.
    std::vector<qint64> painted(int n);

private:
    QTemporaryDir directory_;
    devsim::DevsimProcess devsim_;
    BenchUi ui_;
    std::shared_ptr<NetworkCameras> cameras_;  // the libraries' directory of cameras of other makes
    std::shared_ptr<VideoClientLibrary> video_;
    std::unique_ptr<TStrovikForm> form_;
};

}  // namespace strovik::bench
