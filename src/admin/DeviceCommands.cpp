#include "admin/DeviceCommands.h"

#include "admin/ServerInfoFrm.h"
#include "devices/DeviceTree.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace strovik {

namespace {

constexpr int kTitleId = 1213;
constexpr int kDeleteQuestionId = 19;

}  // namespace

TDeviceCommands::TDeviceCommands(EditorContext context, Controls controls, DeviceCommandHooks hooks,
                                 QObject* parent)
    : QObject(parent), context_(std::move(context)), controls_(controls), hooks_(std::move(hooks)) {}

DeviceTreeModel::TreeNode* TDeviceCommands::selectedDevice() const {
    DeviceTreeModel::TreeNode* node = hooks_.selectedNode();
    return node && node->isDevice() && !node->parent() ? node : nullptr;
}

TServerInfoFrm* TDeviceCommands::prepareEditor() {
    controls_.addButton->setEnabled(false);
    controls_.deleteButton->setEnabled(false);
    controls_.autoSearchTimer.stop();
    if (!editor_) {
        editor_ = new TServerInfoFrm(context_, controls_.owner);
        connect(editor_, &TServerInfoFrm::treeAboutToChange, this, [this] { hooks_.cancelOpenings(); });
        connect(editor_, &QDialog::finished, this, [this] {
            controls_.addButton->setEnabled(true);
            controls_.deleteButton->setEnabled(true);
            controls_.autoSearchTimer.start();
            Q_EMIT editorClosed();
        });
    }
    editor_->setWindowTitle(context_.strings.Lookup(kTitleId));
    return editor_;
}

void TDeviceCommands::showEditor() {
    editor_->setWindowModality(Qt::ApplicationModal);
    editor_->open();
}

void TDeviceCommands::BtnAddServerClick() {
    TServerInfoFrm* editor = prepareEditor();
    editor->PageControl1->setCurrentIndex(TServerInfoFrm::kPageLan);
    editor->addMode = true;
    editor->ServerEdit->clear();
    editor->UserEdit->setText(QStringLiteral("admin"));
    editor->PwdEdit->setText(QStringLiteral("vexor"));
    editor->DeviceTypeList->setCurrentIndex(DeviceType::CaptureCard);
    editor->DevNameEdit->clear();
    showEditor();
}

void TDeviceCommands::FindDevBtnClick() {
    BtnAddServerClick();
}

void TDeviceCommands::N_ModifyClick() {
    DeviceTreeModel::TreeNode* node = selectedDevice();
    if (!node) return;
    TServerInfoFrm* editor = prepareEditor();
    editor->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
    editor->PageControl1->setTabEnabled(TServerInfoFrm::kPageLan, false);
    editor->addMode = false;
    editor->setEditNode(node);
    const DeviceNode& record = *node->record();
    editor->PortEdit->setText(QString::number(record.connection.port));
    editor->ChCntEdit->setText(QString::number(node->children().size()));
    editor->DevNameEdit->setText(record.name.toQString());
    editor->ServerEdit->setText(record.connection.address.toQString());
    editor->UserEdit->setText(record.connection.userName.toQString());
    editor->PwdEdit->setText(record.connection.password.toQString());
    editor->DeviceTypeList->setCurrentIndex(record.connection.deviceType);
    editor->setCamera(record.camera);
    showEditor();
}

void TDeviceCommands::BtnDelServerClick() {
    DeviceTreeModel::TreeNode* node = selectedDevice();
    if (!node) return;
    const DeviceNode& record = *node->record();
    const QString name = record.name.toQString();
    const QString address = record.connection.address.toQString();
    const MessageAnswer answer = context_.ui.ShowMessage(
        controls_.owner,
        MessageRequest{QString(),
                       context_.strings.Lookup(kDeleteQuestionId).replace(QLatin1String("%s"), name),
                       MessageIcon::Question, MessageButtons::YesNo});
    if (answer == MessageAnswer::No) return;

    controls_.autoSearchTimer.stop();
    hooks_.cancelOpenings();
    if (!node->children().empty()) hooks_.stopWindowsOf(address);
    context_.tree.RemoveDevice(node);
    hooks_.removeFromDevList(name);
    controls_.autoSearchTimer.start();
}

void TDeviceCommands::NClearAllClick() {
    const MessageAnswer answer = context_.ui.ShowMessage(
        controls_.owner, MessageRequest{QString(), QLatin1String(kClearQuestion), MessageIcon::Question,
                                        MessageButtons::YesNo});
    if (answer == MessageAnswer::No) return;
    hooks_.cancelOpenings();
    hooks_.stopAllWindows();
    hooks_.clearDevList();
    context_.tree.ClearDevices();
}

}  // namespace strovik
