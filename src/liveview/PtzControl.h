#pragma once

#include "liveview/PtzCommands.h"
#include "liveview/PtzLink.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace strovik {

class CallbackRelay;

class DeviceTree;
struct PtzState;
class StringTable;
class TcpClientLibrary;
class UiServices;

// The PTZ buttons' logic: a press checks the rights of the selected window's device and sends the
// button's start command, a release its stop command, for the camera of the selected window.
//
// Each command goes to the link (PtzLink) of its target: the selected window's device on the path
// its firmware takes. The link sets up connections and sends on a thread of its own, in the order
// of the commands; a new target retires the old link, which still sends what waits (a release
// queued behind a slow press included) and then closes its connection. GUI thread only.
class PtzControl final : public QObject {
public:
    struct Context {
        const DeviceTree& tree;
        PtzState& state;
        TcpClientLibrary& library;
        UiServices& ui;
        QWidget* messageOwner;  // owns the rights message box; may be null
        const StringTable& strings;
        // The grid's selected window, copied.
        std::function<PtzWindow()> selectedWindow;
    };

    explicit PtzControl(Context context, PtzLink::Options options = {}, QObject* parent = nullptr);
    // Ends every link (see ~PtzLink).
    ~PtzControl() override;

    // The mouse-down handler of every PTZ button; code is the button's press code.
    void BtnUpMouseDown(std::uint8_t pressCode);
    // The mouse-up handler of the buttons that have a stop command; code is that stop code.
    void BtnUpMouseUp(std::uint8_t releaseCode);
    // Builds one command for the selected live window and queues it on its target's link.
    void SendPtzCommand(std::uint8_t group, std::uint8_t speed, std::uint8_t byte2, std::uint8_t code,
                        std::uint8_t parameter);
    // A tree rebuild or the window's end: the links send what waits, then close.
    void CloseConnections();

    // Whether every link has sent what it was given (tests, demos).
    bool idle() const;
    // The commands dropped so far by the queues' bound.
    int droppedCount() const { return dropped_; }

private:
    void retireCurrent();
    void reapRetired();
    void connectionReported(std::uint64_t linkId, std::int32_t handle, const QString& host);

    Context context_;
    const PtzLink::Options options_;
    // The links' reports to this object's thread; declared before the links, which go first.
    const std::shared_ptr<CallbackRelay> relay_;
    std::unique_ptr<PtzLink> current_;
    std::uint64_t currentId_ = 0;
    std::uint64_t lastLinkId_ = 0;
    std::vector<std::unique_ptr<PtzLink>> retired_;
    int dropped_ = 0;
};

}  // namespace strovik
