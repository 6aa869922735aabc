// The program itself, started twice: the second start raises the first and ends with 0.
// A copy that was killed does not keep the next one from starting.
#include "support/ProgramEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace {

class ProgramProcess {
public:
    explicit ProgramProcess(const QProcessEnvironment& environment) {
        process_.setProcessEnvironment(environment);
        process_.setProgram(QStringLiteral(STROVIK_PROGRAM));
    }
    ~ProgramProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    void start() { process_.start(); }
    QProcess& process() { return process_; }
    // Everything the program logged so far.
    QString log() {
        log_ += QString::fromUtf8(process_.readAllStandardError());
        return log_;
    }

private:
    QProcess process_;
    QString log_;
};

TEST(ProgramInstance, SecondStartRaisesTheFirstAndExitsWithZero) {
    strovik::test::TempDir dir;
    QProcessEnvironment environment = strovik::test::ProgramEnvironment(dir);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("strovik.instance.info=true"));

    ProgramProcess first(environment);
    first.start();
    ASSERT_TRUE(first.process().waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.log().contains(QStringLiteral("listening on")); }, 20000))
        << first.log().toStdString();

    ProgramProcess second(environment);
    second.start();
    ASSERT_TRUE(second.process().waitForFinished(20000));
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_TRUE(second.log().contains(QStringLiteral("asked the running copy"))) << second.log().toStdString();

    EXPECT_TRUE(QTest::qWaitFor([&] { return first.log().contains(QStringLiteral("raised on request, visible: true")); },
                                20000))
        << first.log().toStdString();
    EXPECT_EQ(first.process().state(), QProcess::Running);

    // A copy that dies without cleaning up leaves its lock and socket behind: the next start
    // takes them over and runs.
    first.process().kill();
    ASSERT_TRUE(first.process().waitForFinished(10000));
    ProgramProcess third(environment);
    third.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return third.log().contains(QStringLiteral("listening on")); }, 20000))
        << third.log().toStdString();
    EXPECT_EQ(third.process().state(), QProcess::Running);
}

}  // namespace
