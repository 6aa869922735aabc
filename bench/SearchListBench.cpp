// Rows per second into the record file list: a search on a devsim device whose catalogue holds
// 1,000, then 10,000 recordings on one channel, through the real device TCP client into the main
// window's record list. Best of three rounds per size. Prints both rates, the GUI thread's CPU
// time to list and sort the 10,000 rows, and last the time per row at 10,000 over the time per row
// at 1,000 (1.0: the list takes rows in constant time however long it grows).
#include "DevsimProcess.h"
#include "app/StrovikForm.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "platform/AudioMixer.h"
#include "platform/UiServices.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordSearch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 3;
constexpr int kSmall = 1000;
constexpr int kLarge = 10000;
constexpr int kEntrySpacingSeconds = 8;  // 10,000 entries fit in one day
constexpr int kEntrySeconds = 6;         // longer than the 4 s below which a result is not listed

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench search_list: %s\n", what);
    std::exit(1);
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A device whose channel 1 keeps `count` recordings of 2024-03-01. The names are of neither
// generated layout, so devsim writes no files for them and lists them with size 0.
QString DeviceSection(const QString& name, const std::string& address, int count) {
    QString section = QStringLiteral("[Device %1]\nAddress=%2\nChannels=1\nUser1=admin\nPassword1=admin\n")
                          .arg(name, QString::fromStdString(address));
    const QDateTime day(QDate(2024, 3, 1), QTime(0, 0, 0));
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    for (int n = 1; n <= count; ++n) {
        const QDateTime start = day.addSecs(static_cast<qint64>(n - 1) * kEntrySpacingSeconds);
        section += QStringLiteral("Recording%1=bench_%2.dat, %3, %4, 1, auto\n")
                       .arg(n)
                       .arg(n, 5, 10, QLatin1Char('0'))
                       .arg(start.toString(format), start.addSecs(kEntrySeconds).toString(format));
    }
    return section;
}

// A message box would stop the benchmark: any message is a failure.
class FailingUiServices final : public strovik::UiServices {
public:
    strovik::MessageAnswer ShowMessage(QWidget*, const strovik::MessageRequest& request) override {
        Fail(request.text.toUtf8().constData());
    }
    QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool OpenWithShell(const QString&) override { return false; }
};

struct Round {
    double seconds = 0;
    double guiCpuSeconds = 0;  // listing and sorting
};

Round SearchOnce(strovik::TStrovikForm& form, strovik::TcpClientLibrary& library, const std::string& host,
                 int expected) {
    strovik::MainWindowState& state = form.state();
    // Closed here rather than by the search, whose pause before reconnecting would be timed.
    if (state.searchConnection != 0) library.NV_DisConnectTCPServer(state.searchConnection);
    state.searchConnection = 0;
    state.currentAddress = QString::fromStdString(host);
    state.currentPort = 5050;
    state.currentRights = 58;
    strovik::RecordListModel& rows = form.fileList().model();
    const strovik::SearchInputs inputs{QDate(2024, 3, 1), QTime(0, 0, 0), QTime(23, 59, 59), 0, 0};

    QElapsedTimer timer;
    const double cpuBefore = ThreadCpuSeconds();
    timer.start();
    form.recordSearch().StartRecordSearch(inputs);
    while (rows.rowCount() < expected) {
        if (timer.elapsed() > 60000) Fail("the rows did not all arrive within 60 s");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    Round round;
    round.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    rows.sort(0);
    rows.sort(2);
    round.guiCpuSeconds = ThreadCpuSeconds() - cpuBefore;
    if (rows.rowCount() != expected) Fail("more rows than the catalogue holds");
    return round;
}

Round Best(strovik::TStrovikForm& form, strovik::TcpClientLibrary& library, const std::string& host,
           int expected) {
    Round best{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    for (int i = 0; i < kRounds; ++i) {
        const Round round = SearchOnce(form, library, host, expected);
        best.seconds = std::min(best.seconds, round.seconds);
        best.guiCpuSeconds = std::min(best.guiCpuSeconds, round.guiCpuSeconds);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    strovik::devsim::DevsimProcess devsim;
    const std::string small = devsim.address(2);
    const std::string large = devsim.address(3);
    QElapsedTimer startup;
    startup.start();
    if (!devsim.start(DeviceSection(QStringLiteral("small"), small, kSmall) +
                      DeviceSection(QStringLiteral("large"), large, kLarge)))
        Fail(devsim.errorString().toUtf8().constData());
    const double devsimReadySeconds = static_cast<double>(startup.nsecsElapsed()) / 1e9;

    QTemporaryDir appDir;
    FailingUiServices ui;
    strovik::MainWindowServices services;
    services.libraries.tcpClient = strovik::CreateTcpClientLibrary();
    services.libraries.videoClient = std::make_shared<strovik::RecordingVideoClientLibrary>();
    services.libraries.streamPlayer = std::make_shared<strovik::RecordingStreamPlayerLibrary>();
    services.ui = &ui;
    services.loginStore = strovik::StoredLoginStore(appDir.filePath(QStringLiteral("registry.ini")));
    services.appDir = appDir.path() + QLatin1Char('/');
    services.fallbackDir = services.appDir;
    strovik::TcpClientLibrary& library = *services.libraries.tcpClient;
    strovik::TStrovikForm form(std::move(services));
    form.show();

    const Round smallRound = Best(form, library, small, kSmall);
    const Round largeRound = Best(form, library, large, kLarge);
    const double smallPerRow = smallRound.seconds / kSmall;
    const double largePerRow = largeRound.seconds / kLarge;
    std::printf("devsim_ready_s_with_11000_entries: %.2f\n", devsimReadySeconds);
    std::printf("rows_per_s_at_1000: %.0f\n", 1.0 / smallPerRow);
    std::printf("rows_per_s_at_10000: %.0f\n", 1.0 / largePerRow);
    std::printf("gui_cpu_s_to_list_and_sort_10000: %.3f\n", largeRound.guiCpuSeconds);
    std::printf("ratio: %.2f\n", largePerRow / smallPerRow);
    return 0;
}
