#pragma once

#include "devicelibs/cameras/NetworkCameras.h"
#include "devices/DeviceTreeModel.h"

#include <QDialog>
#include <QPersistentModelIndex>

#include <cstdint>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace strovik {

class DeviceTree;
class DiscoveryLibrary;
class StringTable;
class TLanSearchPage;
class UiServices;

// What the editor works on: the main window's device model, its language, its message boxes and the
// discovery library (may be null: the LAN page then finds nothing).
struct EditorContext {
    DeviceTree& tree;
    const StringTable& strings;
    UiServices& ui;
    std::shared_ptr<DiscoveryLibrary> discovery;
};

// Set to 1 by every OK of the editor, to -1 when the manual OK refuses its values; the close query
// reads it. Kept across editor instances. GUI thread only.
std::int32_t& EditorCloseState();

// The device editor TServerInfoFrm: a manual page that adds or changes one device and the LAN search
// page. Modal and always on top; it changes the device model directly and destroys itself when it
// closes. The opener shows it with open() and resumes on finished(), so nothing blocks in a nested
// loop. GUI thread only.
class TServerInfoFrm final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPageManual = 0;
    static constexpr int kPageLan = 1;
    static constexpr int kClientWidth = 577;
    static constexpr int kClientHeight = 501;

    TServerInfoFrm(EditorContext context, QWidget* parent = nullptr);
    ~TServerInfoFrm() override;

    bool addMode = true;
    // Modify mode: the device node under edit.
    void setEditNode(DeviceTreeModel::TreeNode* node);
    // Shows how the device under edit is reached; what the page does not show (the sub stream's
    // address, UDP) is kept as it is.
    void setCamera(const NetworkCamera& camera);

    QTabWidget* PageControl1 = nullptr;
    QWidget* Dev_Add_Tab = nullptr;
    TLanSearchPage* Dev_Find_Tab = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* DevNameLabel = nullptr;
    QLabel* NetAddrLabel = nullptr;
    QLabel* NetPortLabel = nullptr;
    QLabel* UserLabel = nullptr;
    QLabel* PwdLabel = nullptr;
    QLabel* DevTypeLabel = nullptr;
    QLabel* ChCntLabel = nullptr;
    QLabel* Help1Label = nullptr;
    QLineEdit* DevNameEdit = nullptr;
    QLineEdit* ServerEdit = nullptr;
    QLineEdit* SrvDomain = nullptr;
    QLineEdit* PortEdit = nullptr;
    QLineEdit* UserEdit = nullptr;
    QLineEdit* PwdEdit = nullptr;
    QComboBox* DeviceTypeList = nullptr;
    QLineEdit* ChCntEdit = nullptr;
    // A camera of another make: "ONVIF", or "RTSP" with the address of its stream.
    QLabel* ProtocolLabel = nullptr;
    QComboBox* ProtocolList = nullptr;
    QLabel* RtspLabel = nullptr;
    QLineEdit* RtspEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void ApplyLanguage();
    void ServerEditChange();
    void DeviceTypeListChange(int type);
    void PageControl1Change(int page);
    void ProtocolListChange(int protocol);
    void OKBtnClick();

    // FormCloseQuery: an OK closes only when EditorCloseState is above 0; Cancel always closes.
    void done(int result) override;

Q_SIGNALS:
    // The device tree is about to change (openings in progress must end first).
    void treeAboutToChange();

private:
    QWidget* createManualPage();
    NetworkCamera editedCamera() const;

    EditorContext context_;
    NetworkCamera camera_;  // what setCamera gave
    QPersistentModelIndex editIndex_;
};

}  // namespace strovik
