#pragma once

#include "admin/ServerInfoFrm.h"
#include "devices/DeviceTreeModel.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QPushButton;
class QTimer;
class QWidget;

namespace strovik {

// What the device commands need from the rest of the main window: the live view's windows, the
// record page's device selection and the channel openings. Every hook must be set.
struct DeviceCommandHooks {
    // Stops every window among the grid's first `layout` windows that shows address.
    std::function<void(const QString& address)> stopWindowsOf;
    // StopWindow for windows 1 … 64.
    std::function<void()> stopAllWindows;
    std::function<void(const QString& name)> removeFromDevList;
    std::function<void()> clearDevList;
    // Ends every channel opening in progress; called before the tree changes.
    std::function<void()> cancelOpenings;
    // The device tree's selected node, or null.
    std::function<DeviceTreeModel::TreeNode*()> selectedNode;
};

// The main window's commands on the device tree: add a device, search the LAN, change, delete and
// clear. They change the in-memory device model only; the device list file is written at close.
// Each command completes within one call on the GUI thread (the editor's OK as well), so the model
// is never seen half-changed. GUI thread only.
class TDeviceCommands final : public QObject {
    Q_OBJECT

public:
    struct Controls {
        QPushButton* addButton;
        QPushButton* deleteButton;
        QTimer& autoSearchTimer;
        QWidget* owner;  // parent of the editor and the message boxes
    };

    TDeviceCommands(EditorContext context, Controls controls, DeviceCommandHooks hooks,
                    QObject* parent = nullptr);

    // Open the editor on the LAN search page in add mode (the two are the same command).
    void BtnAddServerClick();
    void FindDevBtnClick();
    // Opens the editor on the manual page for the selected device node.
    void N_ModifyClick();
    void BtnDelServerClick();
    void NClearAllClick();

    // The open editor, or null.
    TServerInfoFrm* editor() const { return editor_; }

    static constexpr char kClearQuestion[] = "Clear The Device List,Sure?";

Q_SIGNALS:
    void editorClosed();

private:
    TServerInfoFrm* prepareEditor();
    void showEditor();
    DeviceTreeModel::TreeNode* selectedDevice() const;

    EditorContext context_;
    Controls controls_;
    DeviceCommandHooks hooks_;
    QPointer<TServerInfoFrm> editor_;
};

}  // namespace strovik
