#include "app/RecordPage.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devices/DeviceInfoQuery.h"
#include "doubles/RecordSearchWindow.h"
#include "doubles/ScriptedUiServices.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordSearch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>

#include <cstring>
#include <thread>

namespace strovik {
namespace {

constexpr int kDeadlineMs = 5000;

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(STROVIK_GUI_FIXTURES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::uint64_t at(int hour, int minute, int second) {
    return *ToFileTime({2024, 3, 1, hour, minute, second});
}

std::vector<std::uint8_t> resultMessage(int channel, std::uint8_t type, std::uint64_t start,
                                        std::uint64_t end, std::int64_t size, const char* name) {
    SearchResultRecord record;
    record.startTime = start;
    record.endTime = end;
    record.fileSize = size;
    record.fileName = std::string_view(name);
    record.channel = static_cast<std::uint8_t>(channel);
    record.recordType = type;
    return SearchResultMessage(record);
}

class RecordSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = test::MakeRecordSearchWindow(dir, fixture("StrovikList.ini"), QStringLiteral(STROVIK_LANG_DIR),
                                            tcp, ui);
        ASSERT_TRUE(form);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->resize(1024, 768);
        form->notebook().setCurrentPage(TRecordPage::kPageIndex);
        ASSERT_EQ(text(1017), QStringLiteral("CHANNEL")) << "the language file was not read";
        // The tests tick the search timer themselves.
        form->recordSearch().searchTimer().stop();
    }

    template <typename T>
    T* control(const char* name) {
        T* found = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(int entry) const { return form->state().strings.Lookup(entry); }
    TRecordFileList& list() { return form->fileList(); }
    QTableView* view() { return list().ListViewFile; }
    RecordListModel& rows() { return list().model(); }
    QStringList column(int index) {
        QStringList texts;
        for (int row = 0; row < rows().rowCount(); ++row) texts << rows().index(row, index).data().toString();
        return texts;
    }

    // The search requests sent so far.
    std::vector<RecordingTcpClientLibrary::Send> searchRequests() const {
        std::vector<RecordingTcpClientLibrary::Send> found;
        for (const auto& send : tcp->sends())
            if (send.bytes.size() == sizeof(SearchRequest)) found.push_back(send);
        return found;
    }
    // Makes the chosen device one whose rights permit search, with firmware major.minor.
    void permitSearch(std::uint16_t major, std::uint16_t minor) {
        form->state().currentRights = 58;
        form->state().currentVersion = DeviceVersion{major, minor, {}};
    }
    // Presses the search button and waits for the request; the connection's handle.
    std::int32_t search() {
        const std::size_t before = searchRequests().size();
        QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return searchRequests().size() == before + 1; }, kDeadlineMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->state().searchConnection != 0; }, kDeadlineMs));
        return form->state().searchConnection;
    }
    // The device's messages, delivered on a thread of their own as the library would.
    void deliver(std::int32_t handle, const std::vector<std::vector<std::uint8_t>>& messages) {
        std::thread device([&] {
            for (const auto& message : messages) tcp->deliverCustomReceive(handle, message);
        });
        device.join();
    }

    test::TempDir dir;
    std::shared_ptr<RecordingTcpClientLibrary> tcp = std::make_shared<RecordingTcpClientLibrary>();
    test::ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

TEST_F(RecordSearchTest, ResultsBecomeRowsUnderTheBusyIndicatorThatTheTimerRemoves) {
    permitSearch(9, 6);
    QAbstractItemModelTester tester(&rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const std::int32_t handle = search();
    EXPECT_EQ(tcp->connectRequests().back().host, "10.20.0.2");
    EXPECT_EQ(tcp->connectRequests().back().port, 7050);
    EXPECT_TRUE(list().isVisible());
    QProgressBar* busy = control<QProgressBar>("AnimateFSearch");
    EXPECT_TRUE(busy->isVisible());
    EXPECT_EQ(busy->geometry(), view()->geometry());
    EXPECT_EQ(busy->maximum(), 0);  // running

    auto shortMessage = resultMessage(3, 1, at(8, 0, 0), at(8, 30, 0), 2048, "short");
    shortMessage.pop_back();
    deliver(handle, {
                        resultMessage(1, 2, at(8, 0, 0), at(8, 0, 4), 1, "four_seconds"),
                        resultMessage(2, 0, at(9, 5, 7), at(9, 5, 12), 1023, "LDVR_0_five_seconds.264"),
                        resultMessage(10, 3, at(10, 0, 0), at(10, 30, 0), 1536, " ch10_1_half_hour.mp4 "),
                        shortMessage,
                    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows().rowCount() == 2; }, kDeadlineMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(rows().rowCount(), 2);
    EXPECT_EQ(column(0), (QStringList{"2", "10"}));
    EXPECT_EQ(column(1), (QStringList{"", "ALARM"}));
    EXPECT_EQ(column(2), (QStringList{"09:05:07", "10:00:00"}));
    EXPECT_EQ(column(3), (QStringList{"09:05:12", "10:30:00"}));
    EXPECT_EQ(column(4), (QStringList{"0KB", "1KB"}));
    EXPECT_EQ(rows().row(0).fileName(), QStringLiteral("LDVR_1_five_seconds.264"));
    EXPECT_EQ(rows().row(1).fileName(), QStringLiteral("ch10_1_half_hour.mp4"));
    EXPECT_EQ(control<QLabel>("LabListNum")->text(), QStringLiteral("2"));
    EXPECT_EQ(form->state().resultAddress, QStringLiteral("10.20.0.2"));

    // The first tick after the last result only notes the silence, the next stops the animation
    // and the one after that uncovers the list.
    RecordSearch& searching = form->recordSearch();
    searching.SearchTimerTimer();
    EXPECT_TRUE(busy->isVisible());
    searching.SearchTimerTimer();
    EXPECT_EQ(busy->maximum(), 1);
    EXPECT_TRUE(busy->isVisible());
    searching.SearchTimerTimer();
    EXPECT_FALSE(busy->isVisible());
}

TEST_F(RecordSearchTest, TheRequestCarriesTheSwappedTimesAndTheFirmwareStyle) {
    struct Case {
        std::uint16_t major;
        std::uint16_t minor;
        std::uint8_t type;
        const char* userName;
    };
    form->state().loginUserName = QStringLiteral("viewer");
    form->state().currentChannelRights.fill(1);
    const QDate date(2024, 3, 1);
    control<QDateEdit>("DatePicker")->setDate(date);
    control<QTimeEdit>("DateTimePickerFTime")->setTime(QTime(23, 0, 0));
    control<QTimeEdit>("DateTimePickerTTime")->setTime(QTime(1, 0, 0));
    control<QComboBox>("CmbChn")->setCurrentIndex(2);
    control<QComboBox>("CmbType")->setCurrentIndex(3);
    for (const Case& c : {Case{9, 7, 103, "viewer"}, Case{9, 6, 3, ""}, Case{10, 5, 3, ""}}) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        permitSearch(c.major, c.minor);
        search();
        const auto bytes = searchRequests().back().bytes;
        SearchRequest request;
        std::memcpy(&request, bytes.data(), sizeof(request));
        EXPECT_EQ(request.command, 100);
        // The record is packed: its fields are read by value, never bound to a reference.
        EXPECT_EQ(std::uint64_t{request.startTime}, at(1, 0, 0));
        EXPECT_EQ(std::uint64_t{request.endTime}, at(23, 0, 0));
        EXPECT_EQ(request.channel, 3);
        EXPECT_EQ(request.recordType, c.type);
        EXPECT_EQ(request.userName.str(), c.userName);
    }
    // Each search closed the connection of the one before.
    EXPECT_EQ(tcp->disconnects().size(), 2u);
}

TEST_F(RecordSearchTest, NewFirmwareWithoutTheChannelsRightShowsMessage18AndSendsNothing) {
    permitSearch(9, 7);
    form->state().currentChannelRights.fill(1);
    form->state().currentChannelRights[1] = 0;
    control<QComboBox>("CmbChn")->setCurrentIndex(1);
    QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("Strovik"));
    EXPECT_EQ(ui.messages[0].request.text, text(18));
    EXPECT_TRUE(tcp->connectRequests().empty());
    EXPECT_FALSE(list().isVisible());
}

TEST_F(RecordSearchTest, WithoutRightsTheButtonLogsInFirstAndSearchesOrSaysWhy) {
    // Lobby DVR (4 channels) is the chosen device and was never verified.
    tcp->queueVerifyAnswer(458);
    const std::int32_t handle = search();
    EXPECT_EQ(tcp->verifyRequests().size(), 1u);
    EXPECT_EQ(form->state().currentRights, 58);
    EXPECT_EQ(form->state().tree.devices()[0]->rights, 58);
    // The device-information query went first; the search replaced its connection.
    EXPECT_EQ(tcp->sends().front().bytes.size(), kDeviceInfoRequestBytes);
    EXPECT_EQ(handle, tcp->sends().back().handle);

    form->state().currentRights = 42;
    tcp->queueVerifyAnswer(442);
    QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.messages.empty(); }, kDeadlineMs));
    EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("Zentrova"));
    EXPECT_EQ(ui.messages[0].request.text, QStringLiteral("Lobby DVR ") + text(15));

    tcp->queueVerifyAnswer(-3);
    QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.messages.size() == 2; }, kDeadlineMs));
    EXPECT_EQ(ui.messages[1].request.text, QStringLiteral("Lobby DVR %1 (-3)").arg(text(4103)));
    EXPECT_EQ(form->state().tree.devices()[0]->rights, -3);
}

TEST_F(RecordSearchTest, AFailedConnectionSaysSoAndAnEmptyAddressSendsNothing) {
    permitSearch(9, 6);
    tcp->queueConnectAnswer(0);
    QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.messages.empty(); }, kDeadlineMs));
    EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("StrovikForm"));
    EXPECT_EQ(ui.messages[0].request.text, text(7));

    form->state().currentAddress.clear();
    QTest::mouseClick(control<QPushButton>("BtnSearch"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(tcp->connectRequests().size(), 1u);
    EXPECT_TRUE(control<QProgressBar>("AnimateFSearch")->isVisibleTo(&list()));
    form->recordSearch().SearchTimerTimer();
    form->recordSearch().SearchTimerTimer();
    form->recordSearch().SearchTimerTimer();
    EXPECT_FALSE(control<QProgressBar>("AnimateFSearch")->isVisibleTo(&list()));
}

TEST_F(RecordSearchTest, ColumnClicksSortAsTextAndTheMenuOpensOnRowsOnly) {
    permitSearch(9, 6);
    const std::int32_t handle = search();
    deliver(handle, {resultMessage(1, 2, at(8, 0, 0), at(8, 10, 0), 1024, "one"),
                     resultMessage(10, 2, at(7, 0, 0), at(7, 10, 0), 1024, "ten"),
                     resultMessage(2, 2, at(6, 0, 0), at(6, 10, 0), 1024, "two")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows().rowCount() == 3; }, kDeadlineMs));
    form->recordSearch().SearchTimerTimer();
    form->recordSearch().SearchTimerTimer();
    form->recordSearch().SearchTimerTimer();
    QHeaderView* header = view()->horizontalHeader();
    const auto clickColumn = [&](int index) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(index) + 5, header->height() / 2));
    };
    clickColumn(2);
    EXPECT_EQ(column(0), (QStringList{"2", "10", "1"}));
    clickColumn(0);
    EXPECT_EQ(column(0), (QStringList{"1", "10", "2"}));
    clickColumn(1);
    clickColumn(1);
    EXPECT_EQ(column(0), (QStringList{"1", "10", "2"}));
    EXPECT_EQ(list().sortColumn(), 1);
    EXPECT_EQ(header->sectionSize(0), 40);
    EXPECT_EQ(header->sectionSize(4), 70);

    QSignalSpy played(&list(), &TRecordFileList::playRequested);
    QSignalSpy backedUp(&list(), &TRecordFileList::backupRequested);
    const QRect second = view()->visualRect(rows().index(1, 0));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(played.size(), 1);
    EXPECT_EQ(played[0][0].toString(), QStringLiteral("ten"));

    QMenu* menu = control<QMenu>("pmFileList");
    const QRect third = view()->visualRect(rows().index(2, 0));
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {},
                      QPoint(third.center().x(), third.bottom() + 20));
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {},
                      QPoint(third.center().x(), third.bottom() + 20));
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {}, third.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kDeadlineMs));
    menu->actions().front()->trigger();
    menu->hide();
    ASSERT_EQ(backedUp.size(), 1);
    EXPECT_EQ(backedUp[0][0].toString(), QStringLiteral("two"));
}

TEST_F(RecordSearchTest, TenThousandResultsAtOnceAreListedInBatchesAndAnOldSearchsRowsNever) {
    permitSearch(9, 6);
    const std::int32_t first = search();
    const std::int32_t handle = search();
    ASSERT_NE(first, handle);
    std::vector<std::vector<std::uint8_t>> messages;
    for (int i = 0; i < 10000; ++i)
        messages.push_back(resultMessage(1, 2, at(8, 0, 0), at(8, 10, 0), i, "r"));
    deliver(first, {resultMessage(1, 2, at(8, 0, 0), at(8, 10, 0), 1, "stale")});
    QSignalSpy inserted(&rows(), &QAbstractItemModel::rowsInserted);
    deliver(handle, messages);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows().rowCount() == 10000; }, kDeadlineMs));
    EXPECT_GE(inserted.size(), 3);  // 4,096 rows per turn of the event loop at most
    EXPECT_EQ(control<QLabel>("LabListNum")->text(), QStringLiteral("10000"));
    for (int row = 0; row < rows().rowCount(); ++row)
        ASSERT_EQ(rows().row(row).fileName(), QStringLiteral("r")) << row;
}

TEST_F(RecordSearchTest, ADeviceInformationReplyUpdatesTheDeviceAndAShortOneOnlyClosesTheConnection) {
    form->state().currentAddress = QStringLiteral("10.20.0.3");
    form->state().currentPort = 6000;
    QueryDeviceInfo(*tcp, form->state());
    const std::int32_t handle = form->state().searchConnection;
    ASSERT_NE(handle, 0);
    std::vector<std::uint8_t> reply(48, 0);
    reply[0] = 114;
    reply[4] = 9;
    reply[6] = 7;
    reply[12 + 2] = 1;
    std::vector<std::uint8_t> shortReply(reply.begin(), reply.end() - 1);
    deliver(handle, {shortReply});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->state().searchConnection == 0; }, kDeadlineMs));
    EXPECT_EQ(form->state().currentVersion.major, 0);

    QueryDeviceInfo(*tcp, form->state());
    deliver(form->state().searchConnection, {reply});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->state().searchConnection == 0; }, kDeadlineMs));
    EXPECT_EQ(form->state().currentVersion.minor, 7);
    EXPECT_EQ(form->state().currentChannelRights[2], 1);
    EXPECT_EQ(form->state().tree.devices()[1]->deviceVersion.major, 9);
    EXPECT_EQ(form->state().tree.devices()[1]->channelRights[2], 1);
}

TEST_F(RecordSearchTest, TheDeviceBoxListsEveryDeviceAndTheLastOfOneNameWins) {
    auto twin = std::make_unique<DeviceNode>();
    twin->kind = NodeKind::Device;
    twin->name = std::string_view("Lobby DVR");
    twin->connection.address = std::string_view("10.20.0.99");
    twin->connection.port = 5070;
    twin->rights = 50;
    twin->channelCount = 2;
    twin->deviceVersion = DeviceVersion{9, 7, {}};
    twin->channelRights[1] = 1;
    form->state().tree.AddDeviceWithChannels(std::move(twin), 2);
    form->notebook().setCurrentPage(1);
    list().ShowFileList(true);
    form->notebook().setCurrentPage(TRecordPage::kPageIndex);
    EXPECT_FALSE(list().isVisible());

    QComboBox* devices = control<QComboBox>("DevList");
    ASSERT_EQ(devices->count(), 4);
    EXPECT_EQ(devices->itemText(3), QStringLiteral("Lobby DVR"));
    // The first tree node is applied by itself when the page opens.
    EXPECT_EQ(form->state().currentAddress, QStringLiteral("10.20.0.2"));
    EXPECT_EQ(control<QComboBox>("CmbChn")->count(), 4);

    devices->setCurrentIndex(0);
    form->findChild<TRecordPage*>(QStringLiteral("RecordPage"))->DevListChange();
    EXPECT_EQ(form->state().currentAddress, QStringLiteral("10.20.0.99"));
    EXPECT_EQ(form->state().currentPort, 5070u);
    EXPECT_EQ(form->state().currentRights, 50);
    EXPECT_EQ(form->state().currentVersion.minor, 7);
    EXPECT_EQ(form->state().currentChannelRights[1], 1);
    EXPECT_EQ(control<QComboBox>("CmbChn")->count(), 2);

    // With those rights the show button shows the list; with 42 it does nothing.
    QTest::mouseClick(control<QPushButton>("BtnShowFileList"), Qt::LeftButton);
    EXPECT_TRUE(list().isVisible());
    list().ShowFileList(false);
    form->state().currentRights = 42;
    QTest::mouseClick(control<QPushButton>("BtnShowFileList"), Qt::LeftButton);
    EXPECT_FALSE(list().isVisible());
}

}  // namespace
}  // namespace strovik
