#include "admin/LanSearchPage.h"

#include "admin/DiscoveredCamera.h"
#include "admin/LanCameraAdding.h"
#include "admin/LanCameraList.h"
#include "admin/ServerInfoFrm.h"
#include "devicelibs/DiscoveryLibrary.h"
#include "platform/CallbackRelay.h"
#include "platform/NamedControls.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <optional>

namespace strovik {

namespace {

constexpr char kNoneSelected[] = "None Device Selected";
constexpr int kCaptionId = 7000;

QString withColon(const StringTable& strings, int id) {
    return strings.Lookup(id) + QLatin1Char(':');
}

}  // namespace

TLanSearchPage::TLanSearchPage(LanSearchContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), relay_(std::make_shared<CallbackRelay>(this)) {
    setObjectName(QStringLiteral("Dev_Find_Tab"));
    auto* column = new QVBoxLayout(this);

    GroupBox5 = MakeControl<QGroupBox>(this, "GroupBox5");
    auto* listBox = new QVBoxLayout(GroupBox5);
    list_ = new LanCameraList(context_.strings, this);
    DevList = MakeControl<QTreeView>(GroupBox5, "DevList");
    DevList->setRootIsDecorated(false);
    DevList->setItemsExpandable(false);
    DevList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DevList->setSelectionBehavior(QAbstractItemView::SelectRows);
    DevList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DevList->setModel(list_);
    for (int c = 0; c < LanCameraList::ColumnCount; ++c)
        DevList->header()->resizeSection(c, LanCameraList::kColumnWidths[static_cast<std::size_t>(c)]);
    listBox->addWidget(DevList);
    connect(DevList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TLanSearchPage::DevListSelectItem);
    column->addWidget(GroupBox5, 1);

    GroupBox6 = MakeControl<QGroupBox>(this, "GroupBox6");
    auto* editor = new QGridLayout(GroupBox6);
    SelDevNamelbl = MakeControl<QLabel>(GroupBox6, "SelDevNamelbl");
    SelDevIDEdit = MakeControl<QLineEdit>(GroupBox6, "SelDevIDEdit");
    SelDevIPlbl = MakeControl<QLabel>(GroupBox6, "SelDevIPlbl");
    SelDevIPEdit = MakeControl<QLineEdit>(GroupBox6, "SelDevIPEdit");
    SelUserLbl = MakeControl<QLabel>(GroupBox6, "SelUserLbl");
    UserEdit2 = MakeControl<QLineEdit>(GroupBox6, "UserEdit2");
    UserEdit2->setText(QStringLiteral("admin"));
    SelPwdlbl = MakeControl<QLabel>(GroupBox6, "SelPwdlbl");
    PwdEdit2 = MakeControl<QLineEdit>(GroupBox6, "PwdEdit2");
    PwdEdit2->setEchoMode(QLineEdit::Password);
    ModifyBtn = MakeControl<QPushButton>(GroupBox6, "ModifyBtn");
    editor->addWidget(SelDevNamelbl, 0, 0);
    editor->addWidget(SelDevIDEdit, 0, 1);
    editor->addWidget(SelDevIPlbl, 0, 2);
    editor->addWidget(SelDevIPEdit, 0, 3);
    editor->addWidget(SelUserLbl, 1, 0);
    editor->addWidget(UserEdit2, 1, 1);
    editor->addWidget(SelPwdlbl, 1, 2);
    editor->addWidget(PwdEdit2, 1, 3);
    editor->addWidget(ModifyBtn, 1, 4);
    column->addWidget(GroupBox6);

    SearchStatus = MakeControl<QLabel>(this, "SearchStatus");
    FindBtn = MakeControl<QPushButton>(this, "FindBtn");
    AutoFindBtnOK = MakeControl<QPushButton>(this, "AutoFindBtnOK");
    AutoFindNoBtn = MakeControl<QPushButton>(this, "AutoFindNoBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SearchStatus, 1);
    buttons->addWidget(FindBtn);
    buttons->addWidget(AutoFindBtnOK);
    buttons->addWidget(AutoFindNoBtn);
    column->addLayout(buttons);

    connect(ModifyBtn, &QPushButton::clicked, this, &TLanSearchPage::ModifyBtnClick);
    connect(FindBtn, &QPushButton::clicked, this, &TLanSearchPage::FindBtnClick);
    connect(AutoFindBtnOK, &QPushButton::clicked, this, &TLanSearchPage::AutoFindBtnOKClick);
    connect(AutoFindNoBtn, &QPushButton::clicked, this, &TLanSearchPage::cancelClicked);

    searchDeadline_.setSingleShot(true);
    searchDeadline_.setInterval(kSearchDeadlineMs);
    connect(&searchDeadline_, &QTimer::timeout, this, [this] { OnDialogSearchResult(nullptr, SearchDone); });
}

TLanSearchPage::~TLanSearchPage() {
    relay_->detach();
}

void TLanSearchPage::ApplyLanguage() {
    const StringTable& s = context_.strings;
    GroupBox5->setTitle(s.Lookup(6017));
    GroupBox6->setTitle(s.Lookup(6018));
    SelDevNamelbl->setText(withColon(s, 6024));
    SelDevIPlbl->setText(withColon(s, 6025));
    SelUserLbl->setText(withColon(s, 6029));
    SelPwdlbl->setText(withColon(s, 6030));
    ModifyBtn->setText(s.Lookup(6031));
    FindBtn->setText(s.Lookup(6032));
    AutoFindBtnOK->setText(s.Lookup(1253));
    AutoFindNoBtn->setText(s.Lookup(2010));
}

void TLanSearchPage::FindBtnClick() {
    searching_ = true;
    found_ = 0;
    showSearchStatus();
    if (context_.discovery) {
        // The record is the library's and valid during the call only: the copy travels.
        context_.discovery->SetIPCSearchCallBack(
            [relay = relay_, self = this](const IpcSearchRecord* record, std::int32_t code) {
                std::optional<DiscoveredCamera> camera;
                if (record && code != SearchDone) camera = CopyDiscoveredCamera(*record);
                relay->post([self, camera = std::move(camera), code] {
                    self->OnDialogSearchResult(camera ? &*camera : nullptr, code);
                });
            });
        context_.discovery->StartIPCSearch();
    }
    AutoFindBtnOK->setEnabled(false);
    AutoFindNoBtn->setEnabled(false);
    searchDeadline_.start();
}

void TLanSearchPage::OnDialogSearchResult(const DiscoveredCamera* camera, std::int32_t code) {
    if (code == SearchDone) {
        searchDeadline_.stop();
        AutoFindBtnOK->setEnabled(true);
        AutoFindNoBtn->setEnabled(true);
        searching_ = false;
        showSearchStatus();
        return;
    }
    if (!camera || searchBusy_) return;
    searchBusy_ = true;
    if (list_->addCamera(*camera)) ++found_;
    searchBusy_ = false;
    showSearchStatus();
}

void TLanSearchPage::showSearchStatus() {
    const QString count = QString::number(found_);
    SearchStatus->setText(searching_ ? QStringLiteral("Searching... %1 found").arg(count)
                                     : QStringLiteral("%1 found").arg(count));
}

int TLanSearchPage::selectedRow() const {
    const QModelIndex current = DevList->currentIndex();
    if (!current.isValid() || !DevList->selectionModel()->isRowSelected(current.row(), {})) return -1;
    return current.row();
}

void TLanSearchPage::DevListSelectItem() {
    const int row = selectedRow();
    if (row < 0) return;
    const LanCameraRow& selected = list_->rows()[static_cast<std::size_t>(row)];
    SelDevIDEdit->setText(selected.deviceId);
    SelDevIPEdit->setText(selected.ip);
    UserEdit2->setText(selected.user);
    PwdEdit2->setText(selected.password);
}

void TLanSearchPage::ModifyBtnClick() {
    const int row = selectedRow();
    if (row < 0) {
        context_.ui.ShowMessage(
            window(), MessageRequest{context_.strings.Lookup(kCaptionId), QLatin1String(kNoneSelected),
                                     MessageIcon::None, MessageButtons::Ok});
        return;
    }
    list_->setRowAccess(row, SelDevIDEdit->text(), SelDevIPEdit->text(), UserEdit2->text(), PwdEdit2->text());
}

void TLanSearchPage::AutoFindBtnOKClick() {
    EditorCloseState() = 1;
    Q_EMIT treeAboutToChange();
    ApplyLanRows(context_.tree, list_->rows());
    Q_EMIT okFinished();
}

}  // namespace strovik
