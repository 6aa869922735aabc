#pragma once

// A devsim DVR whose catalogue holds the recordings a test names, and the program's main window
// with the real libraries on it, left as a search of that DVR leaves it for the record list's
// requests (the result address and the device port).
#include "DevsimProcess.h"
#include "app/StrovikForm.h"
#include "devsim/media/RecordingFiles.h"
#include "e2e/LinkTestSupport.h"
#include "e2e/LiveViewTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace strovik::test {

// A recording of channel 1 (index 0) starting at hour on 2024-03-01, of the auto type.
inline devsim::RecordingEntry RecordingAt(int hour, devsim::RecordingFormat format, int seconds) {
    const QDateTime start(QDate(2024, 3, 1), QTime(hour, 0), Qt::UTC);
    return {start, start.addSecs(seconds), 0, RecordType::Auto, format};
}

inline QString NameOf(const devsim::RecordingEntry& entry) {
    return QString::fromStdString(devsim::RecordingFileName(entry));
}

inline QString CatalogueLine(int n, const devsim::RecordingEntry& entry) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QStringLiteral("Recording%1=%2, %3, %4, 1, %5\n")
        .arg(n)
        .arg(NameOf(entry), entry.start.toString(format), entry.end.toString(format))
        .arg(entry.recordType);
}

// Store: the DVR's devsim address number; ContentSeconds: how long its recordings play. A suite
// starts devsim with StartSite in its SetUpTestSuite.
template <int Store, int ContentSeconds>
class RecordingsSiteTest : public ::testing::Test {
protected:
    static void StartSite(const std::vector<devsim::RecordingEntry>& entries) {
        devsim_ = std::make_unique<devsim::DevsimProcess>();
        QString recordings =
            QStringLiteral("Recordings=rec\nRecordingContentSeconds=%1\n").arg(ContentSeconds);
        for (std::size_t i = 0; i < entries.size(); ++i)
            recordings += CatalogueLine(static_cast<int>(i) + 1, entries[i]);
        if (!devsim_->start(DvrSection(QStringLiteral("Store"), devsim_->address(Store), 1, recordings)))
            startError_ = devsim_->errorString();
    }
    static void TearDownTestSuite() { devsim_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(startError_.isEmpty()) << startError_.toStdString();
        main = std::make_unique<LiveMainWindow>(
            std::vector<ListedDevice>{{QStringLiteral("Store"), devsim_->address(Store), 1}}, drive.path());
        main->form().state().resultAddress = QString::fromStdString(devsim_->address(Store));
        main->form().state().currentPort = 5050;
    }
    void TearDown() override { main.reset(); }

    static inline std::unique_ptr<devsim::DevsimProcess> devsim_;
    static inline QString startError_;
    TempDir drive;
    std::unique_ptr<LiveMainWindow> main;
};

}  // namespace strovik::test
