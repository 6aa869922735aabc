#pragma once

#include "DevsimProcess.h"
#include "doubles/ScriptedUiServices.h"
#include "support/TempDir.h"

#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QWidget;

namespace strovik {

class ChannelOpening;
class DiscoveryLibrary;
class TFormDownLoad;
class TMyView;
class TStrovikForm;
class TViewForm;

namespace test {

// One section of the main window's device list file: a DVR with its own user (admin).
struct ListedDevice {
    QString name;
    std::string address;
    int channels = 1;
    std::uint16_t port = 5050;
    QString password = QStringLiteral("admin");  // of the user admin
    QString extraKeys = QString();  // lines added to the section, e.g. a camera's Protocol and RtspMain
};

// The program's main window with the real device libraries (our TCP client, the FFmpeg video
// client and stream player, sharing one directory of cameras of other makes; the discovery library
// given, none by default), shown
// offscreen at 1280 x 800. Its app folder holds the device list and the English language file, and
// STROVIK_DRIVE points the recordings and snapshots at drive while it lives. Every device of the
// list has the user admin, with its own password.
class LiveMainWindow final {
public:
    LiveMainWindow(const std::vector<ListedDevice>& devices, const QString& drive,
                   std::chrono::milliseconds recordRotation = std::chrono::minutes(10),
                   std::shared_ptr<DiscoveryLibrary> discovery = {});
    ~LiveMainWindow();
    LiveMainWindow(const LiveMainWindow&) = delete;
    LiveMainWindow& operator=(const LiveMainWindow&) = delete;

    TStrovikForm& form() { return *form_; }
    // The folder of the app folder and the stored login ("registry.ini").
    const TempDir& directory() const { return dir_; }
    // Destroys the main window, which saves the device list as it goes; the folder stays until
    // this object goes. form() must not be used afterwards.
    void destroyWindow();
    TViewForm& grid();
    ChannelOpening& opening();
    TMyView& view(int index);

    // The operator's commands: a layout of the layout menu, start-all of the tree's menu, a
    // double-click on channel `channel` (0-based) of the device at `device` in the tree.
    void chooseLayout(int windows);
    void startAll();
    void doubleClickChannel(int device, int channel);
    void click(QAbstractButton* button);
    QAbstractButton* button(const char* name);
    // The record page's search on the device at `device` in the tree: the whole of day, the first
    // channel, every type.
    void searchRecords(int device, QDate day);
    // The record list's download command for name, saved as target: the dialog it opened, or null.
    TFormDownLoad* requestDownload(const QString& name, const QString& target);
    // Whether the download dialog shows its completion (a frame-format file converted too).
    bool downloadComplete();
    // A press and a release of the PTZ page's button name.
    void pressAndRelease(const char* name);

    ScriptedUiServices ui;  // outlives the window, which reports to it until it is gone

private:
    TempDir dir_;
    std::unique_ptr<TStrovikForm> form_;
};

// A devsim section for a DVR of the given channels with the user admin/admin.
QString DvrSection(const QString& name, const std::string& address, int channels,
                   const QString& extraLines = {});

// Counts devsim's log lines that hold every needle; the wait lets the GUI thread run meanwhile.
int CountLogLines(const devsim::DevsimProcess& devsim, const QStringList& needles);
bool WaitForLogLines(const devsim::DevsimProcess& devsim, const QStringList& needles, int count,
                     int timeoutMs);

// Waits until window is live again on a stream other than oldHandle (restarted by itself) and has
// painted `count` pictures of it.
bool WaitForRestartedStream(const TMyView& window, std::int32_t oldHandle, int timeoutMs, int count = 5);

// What a window shows now, as the operator would see it.
QImage Grab(QWidget& widget);
// The share of a grid of sample points that is not black, and whether two pictures differ at any.
double NonBlackShare(const QImage& picture);
bool SamplesDiffer(const QImage& a, const QImage& b);
// Waits until widget shows a picture whose samples differ from before. Counting pictures painted
// in between does not tell: devsim's streams repeat their two-second loop picture for picture, so
// a grab taken a whole number of loops later (a stall on a busy machine) matches a moving picture.
bool WaitForPictureChange(QWidget& widget, const QImage& before, int timeoutMs);

// Watches the GUI thread with a 10 ms timer: how late each tick that fell due was served.
class GuiTickMonitor final {
public:
    GuiTickMonitor();
    void start();
    void stop();
    // The ticks that fell due while it ran.
    int ticks() const { return static_cast<int>(latenessMs_.size()); }
    double percentileMs(double fraction) const;
    double maxMs() const;

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    std::vector<double> latenessMs_;
};

}  // namespace test
}  // namespace strovik
