// The main window's record search with the real device TCP client against devsim: the search
// button logs in, sends the request and lists the recordings of the chosen channel and type.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "app/RecordPage.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "doubles/RecordSearchWindow.h"
#include "doubles/ScriptedUiServices.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordSearch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;

// Entries laid out as on the demo site: both formats, the three types, several channels.
const QString kCatalogue = QStringLiteral(
    "Channels=4\nFirmware=9.7\nUser1=admin\nPassword1=admin\nRights1=58\nRecordingContentSeconds=1\n"
    "Recording1=LDVR_1_20240301060000_20240301063000_0_0_.264, 2024-03-01 06:00:00, 2024-03-01 06:30:00, 1, "
    "auto\n"
    "Recording2=ch02_1_20240301070000_20240301073000.mp4, 2024-03-01 07:00:00, 2024-03-01 07:30:00, 2, auto\n"
    "Recording3=LDVR_1_20240301094000_20240301094200_1_1_.264, 2024-03-01 09:40:00, 2024-03-01 09:42:00, 2, "
    "alarm\n"
    "Recording4=LDVR_1_20240301140000_20240301143000_1_0_.264, 2024-03-01 14:00:00, 2024-03-01 14:30:00, 2, "
    "auto\n"
    "Recording5=ch02_1_20240302070000_20240302073000.mp4, 2024-03-02 07:00:00, 2024-03-02 07:30:00, 2, auto\n"
    "Recording6=ch03_1_20240301162000_20240301162500.mp4, 2024-03-01 16:20:00, 2024-03-01 16:25:00, 3, "
    "auto\n");

TEST(RecordSearchE2E, ASearchListsTheRecordingsOfTheChosenChannelAndType) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(DeviceSection(QStringLiteral("dvr"), devsim.address(2), kCatalogue) +
                             DeviceSection(QStringLiteral("broken"), devsim.address(3),
                                           kCatalogue + QStringLiteral("SearchFault=malformed\n"))))
        << devsim.errorString().toStdString();

    TempDir dir;
    const QString section = QStringLiteral(
        "[%1]\nAddr=%2\nPort=5050\nChnCount=4\nNetType=1\nServerType=2\nDeviceType=1\nUser=admin\nPwd=admin\n"
        "AutoSearch=0\n");
    const QByteArray deviceList =
        (section.arg(QStringLiteral("Gate DVR"), QString::fromStdString(devsim.address(2))) +
         section.arg(QStringLiteral("Broken DVR"), QString::fromStdString(devsim.address(3))))
            .toUtf8();
    ScriptedUiServices ui;
    const std::unique_ptr<TStrovikForm> window = MakeRecordSearchWindow(
        dir, deviceList, QStringLiteral(STROVIK_LANG_DIR), CreateTcpClientLibrary(FastOptions()), ui);
    ASSERT_TRUE(window);
    TStrovikForm& form = *window;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.notebook().setCurrentPage(TRecordPage::kPageIndex);

    form.findChild<QDateEdit*>(QStringLiteral("DatePicker"))->setDate(QDate(2024, 3, 1));
    form.findChild<QTimeEdit*>(QStringLiteral("DateTimePickerFTime"))->setTime(QTime(0, 0, 0));
    form.findChild<QTimeEdit*>(QStringLiteral("DateTimePickerTTime"))->setTime(QTime(23, 59, 59));
    form.findChild<QComboBox*>(QStringLiteral("CmbChn"))->setCurrentIndex(1);
    form.findChild<QComboBox*>(QStringLiteral("CmbType"))->setCurrentIndex(2);  // auto
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BtnSearch")), Qt::LeftButton);

    RecordListModel& rows = form.fileList().model();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows.rowCount() == 2; }, 10000)) << rows.rowCount();
    // devsim found exactly these two for the old-style request that follows a login.
    EXPECT_TRUE(devsim.waitForLogLine({QStringLiteral("search"), QStringLiteral("channel=2"),
                                       QStringLiteral("type=2"), QStringLiteral("results=2")},
                                      5s));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(rows.row(0).fileName(), QStringLiteral("ch02_1_20240301070000_20240301073000.mp4"));
    EXPECT_EQ(rows.row(0).texts, (std::array<QString, 6>{"2", "AUTO", "07:00:00", "07:30:00",
                                                         rows.row(0).text(4), rows.row(0).fileName()}));
    EXPECT_TRUE(rows.row(0).text(4).endsWith(QStringLiteral("KB")));
    EXPECT_EQ(rows.row(1).fileName(), QStringLiteral("LDVR_1_20240301140000_20240301143000_1_0_.264"));
    EXPECT_EQ(rows.row(1).text(2), QStringLiteral("14:00:00"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("LabListNum"))->text(), QStringLiteral("2"));
    EXPECT_TRUE(form.fileList().isVisible());
    EXPECT_EQ(form.state().tree.devices()[0]->rights, 58);

    // A device that answers with results one byte short: nothing is listed, nothing is said, and
    // the busy indicator goes within its timer's ticks.
    form.findChild<QComboBox*>(QStringLiteral("DevList"))->setCurrentIndex(1);
    form.findChild<TRecordPage*>(QStringLiteral("RecordPage"))->DevListChange();
    form.findChild<QComboBox*>(QStringLiteral("CmbChn"))->setCurrentIndex(1);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BtnSearch")), Qt::LeftButton);
    // Waited for with the event loop running: the login's answer comes back through it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QString& line : devsim.logLines())
                if (line.startsWith(QStringLiteral("search")) &&
                    line.contains(QStringLiteral("device=broken")) &&
                    line.contains(QStringLiteral("results=2")))
                    return true;
            return false;
        },
        10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.recordSearch().animationVisible(); }, 15000));
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace strovik::test
