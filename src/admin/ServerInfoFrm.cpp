#include "admin/ServerInfoFrm.h"

#include "admin/DeviceEditing.h"
#include "admin/FieldValidators.h"
#include "admin/LanSearchPage.h"
#include "devicelibs/cameras/RtspAddress.h"
#include "devices/DeviceTree.h"
#include "devices/Functions.h"
#include "platform/NamedControls.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace strovik {

namespace {

constexpr int kCaptionId = 7000;
constexpr int kEmptyAddressId = 20;
constexpr char kBadNameText[] =
    "The device name cannot contain \"]\", begin with \"[\" or hold a line break: the device list could not "
    "keep it.";
constexpr char kTooLongText[] = "A text is longer than its device field holds.";
constexpr char kBadRtspText[] = "An RTSP camera needs the address of its stream: rtsp://host[:port]/path.";
constexpr char kNameTakenText[] = "Another device in the list already has this name.";
// ProtocolList's rows, in the order of CameraProtocol.
constexpr int kProtocolRows = 3;

template <typename Field>
QLineEdit* fieldEdit(QWidget* parent, const char* name) {
    auto* edit = MakeControl<QLineEdit>(parent, name);
    edit->setValidator(new FieldTextValidator(Field::capacity, edit));
    return edit;
}

QLineEdit* numberEdit(QWidget* parent, const char* name, int maximum, const QString& initial) {
    auto* edit = MakeControl<QLineEdit>(parent, name);
    edit->setValidator(new FieldNumberValidator(maximum, edit));
    edit->setText(initial);
    return edit;
}

QLabel* captionLabel(QWidget* parent, const char* name, int width) {
    auto* label = MakeControl<QLabel>(parent, name);
    // At least the design's width, and as wide as the language's caption needs: a fixed width cut
    // "DEVICE NAME" and "CHANNEL COUNT" short by a letter.
    label->setMinimumWidth(width);
    return label;
}

}  // namespace

std::int32_t& EditorCloseState() {
    static std::int32_t state = 0;
    return state;
}

TServerInfoFrm::TServerInfoFrm(EditorContext context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      context_(std::move(context)) {
    setObjectName(QStringLiteral("ServerInfoFrm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    PageControl1 = MakeControl<QTabWidget>(this, "PageControl1");
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(4, 4, 4, 4);
    fill->addWidget(PageControl1);
    Dev_Add_Tab = createManualPage();
    Dev_Find_Tab = new TLanSearchPage(
        LanSearchContext{context_.tree, context_.strings, context_.ui, context_.discovery}, this);
    PageControl1->addTab(Dev_Add_Tab, QString());
    PageControl1->addTab(Dev_Find_Tab, QString());
    connect(PageControl1, &QTabWidget::currentChanged, this, &TServerInfoFrm::PageControl1Change);
    connect(Dev_Find_Tab, &TLanSearchPage::treeAboutToChange, this, &TServerInfoFrm::treeAboutToChange);
    connect(Dev_Find_Tab, &TLanSearchPage::okFinished, this, &QDialog::accept);
    connect(Dev_Find_Tab, &TLanSearchPage::cancelClicked, this, &QDialog::reject);

    addMode = true;
    ApplyLanguage();
    if (const QScreen* display = screen())
        move(display->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
}

TServerInfoFrm::~TServerInfoFrm() = default;

QWidget* TServerInfoFrm::createManualPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Dev_Add_Tab"));
    auto* column = new QVBoxLayout(page);

    GroupBox1 = MakeControl<QGroupBox>(page, "GroupBox1");
    auto* address = new QGridLayout(GroupBox1);
    DevNameLabel = captionLabel(GroupBox1, "DevNameLabel", 80);
    DevNameEdit = fieldEdit<decltype(DeviceNode::name)>(GroupBox1, "DevNameEdit");
    NetAddrLabel = captionLabel(GroupBox1, "NetAddrLabel", 80);
    ServerEdit = fieldEdit<decltype(ConnectionInfo::address)>(GroupBox1, "ServerEdit");
    SrvDomain = MakeControl<QLineEdit>(GroupBox1, "SrvDomain");
    SrvDomain->setText(QLatin1String(kVendorDdnsDomain));
    NetPortLabel = captionLabel(GroupBox1, "NetPortLabel", 80);
    PortEdit = numberEdit(GroupBox1, "PortEdit", 65535, QString::number(kDefaultDevicePort));
    address->addWidget(DevNameLabel, 0, 0);
    address->addWidget(DevNameEdit, 0, 1, 1, 3);
    address->addWidget(NetAddrLabel, 1, 0);
    address->addWidget(ServerEdit, 1, 1);
    address->addWidget(new QLabel(QStringLiteral("."), GroupBox1), 1, 2);
    address->addWidget(SrvDomain, 1, 3);
    address->addWidget(NetPortLabel, 2, 0);
    address->addWidget(PortEdit, 2, 1);
    connect(ServerEdit, &QLineEdit::textChanged, this, &TServerInfoFrm::ServerEditChange);

    GroupBox2 = MakeControl<QGroupBox>(page, "GroupBox2");
    auto* login = new QGridLayout(GroupBox2);
    UserLabel = captionLabel(GroupBox2, "UserLabel", 70);
    UserEdit = fieldEdit<decltype(ConnectionInfo::userName)>(GroupBox2, "UserEdit");
    UserEdit->setText(QStringLiteral("admin"));
    PwdLabel = captionLabel(GroupBox2, "PwdLabel", 70);
    PwdEdit = fieldEdit<decltype(ConnectionInfo::password)>(GroupBox2, "PwdEdit");
    PwdEdit->setEchoMode(QLineEdit::Password);
    login->addWidget(UserLabel, 0, 0);
    login->addWidget(UserEdit, 0, 1);
    login->addWidget(PwdLabel, 1, 0);
    login->addWidget(PwdEdit, 1, 1);

    GroupBox3 = MakeControl<QGroupBox>(page, "GroupBox3");
    auto* info = new QGridLayout(GroupBox3);
    DevTypeLabel = captionLabel(GroupBox3, "DevTypeLabel", 100);
    DeviceTypeList = MakeControl<QComboBox>(GroupBox3, "DeviceTypeList");
    ChCntLabel = captionLabel(GroupBox3, "ChCntLabel", 100);
    ChCntEdit = numberEdit(GroupBox3, "ChCntEdit", 255, QStringLiteral("1"));
    info->addWidget(DevTypeLabel, 0, 0);
    info->addWidget(DeviceTypeList, 0, 1);
    info->addWidget(ChCntLabel, 1, 0);
    info->addWidget(ChCntEdit, 1, 1);
    ProtocolLabel = captionLabel(GroupBox3, "ProtocolLabel", 100);
    ProtocolList = MakeControl<QComboBox>(GroupBox3, "ProtocolList");
    RtspLabel = captionLabel(GroupBox3, "RtspLabel", 100);
    // The password belongs in its own field: an address typed with one loses it (RtspAddress.h).
    RtspEdit = MakeControl<QLineEdit>(GroupBox3, "RtspEdit");
    RtspEdit->setPlaceholderText(QStringLiteral("rtsp://192.168.1.64:554/stream1"));
    RtspEdit->setEnabled(false);
    info->addWidget(ProtocolLabel, 2, 0);
    info->addWidget(ProtocolList, 2, 1);
    info->addWidget(RtspLabel, 3, 0);
    info->addWidget(RtspEdit, 3, 1);
    connect(DeviceTypeList, &QComboBox::activated, this, &TServerInfoFrm::DeviceTypeListChange);
    connect(ProtocolList, &QComboBox::currentIndexChanged, this, &TServerInfoFrm::ProtocolListChange);

    GroupBox4 = MakeControl<QGroupBox>(page, "GroupBox4");
    auto* help = new QVBoxLayout(GroupBox4);
    Help1Label = captionLabel(GroupBox4, "Help1Label", 420);
    Help1Label->setWordWrap(true);
    Help1Label->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    help->addWidget(Help1Label);

    OKBtn = MakeControl<QPushButton>(page, "OKBtn");
    CancelBtn = MakeControl<QPushButton>(page, "CancelBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        done(Accepted);
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    for (QWidget* group : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(GroupBox2),
                           static_cast<QWidget*>(GroupBox3), static_cast<QWidget*>(GroupBox4)})
        column->addWidget(group);
    column->addStretch(1);
    column->addLayout(buttons);
    return page;
}

void TServerInfoFrm::ApplyLanguage() {
    const StringTable& s = context_.strings;
    PageControl1->setTabText(kPageManual, s.Lookup(6021));
    PageControl1->setTabText(kPageLan, s.Lookup(6022));
    GroupBox1->setTitle(s.Lookup(6002));
    DevNameLabel->setText(s.Lookup(6015));
    NetAddrLabel->setText(s.Lookup(6006));
    NetPortLabel->setText(s.Lookup(6007));
    GroupBox2->setTitle(s.Lookup(6003));
    UserLabel->setText(s.Lookup(6008));
    PwdLabel->setText(s.Lookup(6009));
    GroupBox3->setTitle(s.Lookup(6004));
    DevTypeLabel->setText(s.Lookup(6010));
    ChCntLabel->setText(s.Lookup(6011));
    GroupBox4->setTitle(s.Lookup(6005));
    Help1Label->setText(s.Lookup(6012));
    OKBtn->setText(s.Lookup(1253));
    CancelBtn->setText(s.Lookup(2010));
    DeviceTypeList->clear();
    DeviceTypeList->addItems({s.Lookup(1250), s.Lookup(1251), s.Lookup(1252)});
    DeviceTypeList->setCurrentIndex(DeviceType::NetworkCamera);
    ProtocolLabel->setText(s.Lookup(6042));
    RtspLabel->setText(s.Lookup(6043));
    const int protocol = std::max(ProtocolList->currentIndex(), 0);
    ProtocolList->clear();
    ProtocolList->addItems({s.Lookup(6044), QStringLiteral("ONVIF"), QStringLiteral("RTSP")});
    ProtocolList->setCurrentIndex(protocol);
    Dev_Find_Tab->ApplyLanguage();
}

void TServerInfoFrm::setEditNode(DeviceTreeModel::TreeNode* node) {
    editIndex_ = QPersistentModelIndex(context_.tree.model().indexOf(node));
}

void TServerInfoFrm::setCamera(const NetworkCamera& camera) {
    camera_ = camera;
    ProtocolList->setCurrentIndex(static_cast<int>(camera.protocol));
    RtspEdit->setText(camera.channels.empty() ? QString() : QString::fromStdString(camera.channels.front().mainUrl));
}

void TServerInfoFrm::ProtocolListChange(int protocol) {
    RtspEdit->setEnabled(protocol == static_cast<int>(CameraProtocol::Rtsp));
}

NetworkCamera TServerInfoFrm::editedCamera() const {
    NetworkCamera camera;
    const int row = ProtocolList->currentIndex();
    camera.protocol = row > 0 && row < kProtocolRows ? static_cast<CameraProtocol>(row) : CameraProtocol::Native;
    if (camera.protocol == CameraProtocol::Native) return camera;
    camera.rtspOverUdp = camera_.rtspOverUdp;
    if (camera.protocol == CameraProtocol::Rtsp) {
        CameraStreams streams{WithoutCredentials(RtspEdit->text().toStdString()), {}};
        if (!camera_.channels.empty() && camera_.protocol == CameraProtocol::Rtsp)
            streams.subUrl = camera_.channels.front().subUrl;
        camera.channels.push_back(std::move(streams));
    }
    return camera;
}

void TServerInfoFrm::ServerEditChange() {
    const bool hasDot = ServerEdit->text().contains(QLatin1Char('.'));
    SrvDomain->setText(hasDot ? QString() : QLatin1String(kVendorDdnsDomain));
    SrvDomain->setEnabled(!hasDot);
}

void TServerInfoFrm::DeviceTypeListChange(int type) {
    if (!addMode) return;
    const TypeDefaults defaults = DefaultsForType(type);
    ChCntEdit->setText(defaults.channelCount);
    UserEdit->setText(defaults.userName);
    PwdEdit->setText(defaults.password);
}

void TServerInfoFrm::PageControl1Change(int page) {
    if (page == kPageManual) DeviceTypeList->setCurrentIndex(DeviceType::NetworkCamera);
}

void TServerInfoFrm::OKBtnClick() {
    EditorValues values;
    values.name = DevNameEdit->text();
    const QString typed = ServerEdit->text();
    EditorCloseState() = 1;
    values.port = PortEdit->text().isEmpty() ? kDefaultDevicePort
                                             : static_cast<std::uint16_t>(PortEdit->text().toUInt());
    values.userName = UserEdit->text();
    values.password = PwdEdit->text();
    values.channelCount = ChCntEdit->text().isEmpty() ? 1 : ChCntEdit->text().toInt();
    values.deviceType = static_cast<std::uint8_t>(std::max(DeviceTypeList->currentIndex(), 0));
    values.camera = editedCamera();
    // A plain RTSP camera is one stream address: one channel, whatever the count says.
    if (values.camera.protocol == CameraProtocol::Rtsp) values.channelCount = 1;

    if (!typed.isEmpty()) {
        values.address = CompleteEditorAddress(typed, SrvDomain->text());
        // A name of blanks alone would be an empty section: the device takes its address instead.
        if (TrimmedDeviceName(values.name).isEmpty()) values.name = values.address;
    }
    DeviceTreeModel& model = context_.tree.model();
    DeviceTreeModel::TreeNode* node = editIndex_.isValid() ? model.nodeAt(editIndex_) : nullptr;
    EditorRefusal refusal = CheckEditorValues(values);
    if (refusal == EditorRefusal::None && !addMode && node && node->isDevice() &&
        RenameTakesAnotherName(context_.tree, *node->record(), values.name))
        refusal = EditorRefusal::NameTaken;
    if (refusal != EditorRefusal::None) {
        const QString text = refusal == EditorRefusal::EmptyAddress ? context_.strings.Lookup(kEmptyAddressId)
                             : refusal == EditorRefusal::BadSectionName ? QLatin1String(kBadNameText)
                             : refusal == EditorRefusal::BadRtspAddress ? QLatin1String(kBadRtspText)
                             : refusal == EditorRefusal::NameTaken      ? QLatin1String(kNameTakenText)
                                                                        : QLatin1String(kTooLongText);
        context_.ui.ShowMessage(this, MessageRequest{context_.strings.Lookup(kCaptionId), text,
                                                     MessageIcon::Warning, MessageButtons::Ok});
        EditorCloseState() = -1;
        return;
    }

    Q_EMIT treeAboutToChange();
    if (addMode) {
        AddEditedDevice(context_.tree, values);
        return;
    }
    if (node && node->isDevice()) ModifyDevice(context_.tree, *node, values);
}

void TServerInfoFrm::done(int result) {
    if (result != Rejected && EditorCloseState() <= 0) return;
    QDialog::done(result);
}

}  // namespace strovik
