// No password leaves the files meant to hold it: a session of the real main window with the real
// libraries against devsim (a failed and a good login, live channels opened with the device list's
// password, the close that saves the list) writes neither password into its output, its log
// lines, a message, a text on screen or any other file, and the two files that hold one are
// owner-only.
#include "DevsimProcess.h"
#include "app/LoginPage.h"
#include "app/StrovikForm.h"
#include "app/LoginController.h"
#include "devices/DeviceListFile.h"
#include "e2e/LiveViewTestSupport.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "support/FileMode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace strovik {
namespace {

const QString kDevicePassword = QStringLiteral("Dv-7f3Kq-device-pw");
const QString kWrongPassword = QStringLiteral("Wx-2m9Tz-wrong-pw");

// Sends everything the process writes to standard output and error into a file while it lives:
// Qt's log, FFmpeg's messages and anything else, from every thread. GoogleTest's own reports land
// there too, so a test that failed meanwhile gets the file copied to the real output at the end.
class OutputCapture final {
public:
    explicit OutputCapture(const QString& path) : path_(path) {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = ::dup(STDOUT_FILENO);
        savedErr_ = ::dup(STDERR_FILENO);
        const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ok_ = savedOut_ >= 0 && savedErr_ >= 0 && file >= 0 && ::dup2(file, STDOUT_FILENO) >= 0 &&
              ::dup2(file, STDERR_FILENO) >= 0;
        if (file >= 0) ::close(file);
    }
    ~OutputCapture() { stop(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    bool ok() const { return ok_; }
    void stop() {
        if (savedOut_ < 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(savedOut_, STDOUT_FILENO);
        ::dup2(savedErr_, STDERR_FILENO);
        ::close(savedOut_);
        ::close(savedErr_);
        savedOut_ = savedErr_ = -1;
        if (::testing::Test::HasFailure()) {
            QFile captured(path_);
            if (captured.open(QIODevice::ReadOnly)) std::fputs(captured.readAll().constData(), stdout);
        }
    }

private:
    QString path_;
    int savedOut_ = -1;
    int savedErr_ = -1;
    bool ok_ = false;
};

// Every text the window shows or could show: captions, fields (but password fields), list and
// tree items, tool tips, status tips, window titles, menu entries.
QStringList TextsOf(QWidget& root) {
    QStringList texts;
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.push_front(&root);
    for (QWidget* widget : widgets) {
        texts << widget->windowTitle() << widget->toolTip() << widget->statusTip() << widget->whatsThis();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* field = qobject_cast<QLineEdit*>(widget); field && field->echoMode() == QLineEdit::Normal)
            texts << field->text();
        if (auto* box = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model()) {
            QList<QModelIndex> pending{QModelIndex()};
            while (!pending.isEmpty()) {
                const QModelIndex parent = pending.takeFirst();
                for (int row = 0; row < view->model()->rowCount(parent); ++row)
                    for (int column = 0; column < view->model()->columnCount(parent); ++column) {
                        const QModelIndex index = view->model()->index(row, column, parent);
                        for (int role : {Qt::DisplayRole, Qt::ToolTipRole, Qt::StatusTipRole})
                            texts << index.data(role).toString();
                        if (column == 0) pending << index;
                    }
            }
        }
    }
    for (QAction* action : root.findChildren<QAction*>()) texts << action->text() << action->toolTip();
    return texts;
}

TEST(PasswordPrivacyE2E, NoPasswordOutsideTheFilesThatHoldIt) {
    devsim::DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(QStringLiteral("[Device Vault]\nAddress=%1\nChannels=2\nUser1=admin\nPassword1=%2\n"
                                            "Rights1=58\n")
                                 .arg(QString::fromStdString(devsim.address(2)), kDevicePassword)))
        << devsim.errorString().toStdString();
    test::TempDir output;
    test::TempDir drive;
    const QString outputPath = output.file(QStringLiteral("output.txt"));

    QStringList shown;
    QByteArray listText;
    QByteArray loginText;
    unsigned listMode = 0;
    unsigned loginMode = 0;
    std::vector<std::pair<QString, QByteArray>> otherFiles;  // everything else the session wrote
    {
        OutputCapture capture(outputPath);
        ASSERT_TRUE(capture.ok());
        // Everything the program would log when asked for detail.
        QLoggingCategory::setFilterRules(QStringLiteral("strovik.*=true"));
        {
            test::LiveMainWindow main({{QStringLiteral("Vault"), devsim.address(2), 2, 5050, kDevicePassword}},
                                      drive.path());
            TLoginPage& page = *main.form().findChild<TLoginPage*>();
            ASSERT_EQ(page.EditPwd->echoMode(), QLineEdit::Password);
            page.cbxServerAddr->setEditText(QString::fromStdString(devsim.address(2)));
            page.NetPort->setText(QStringLiteral("5050"));
            page.EditUserName->setText(QStringLiteral("admin"));
            // A wrong password first: the operator is told so, without the password.
            page.EditPwd->setText(kWrongPassword);
            main.form().login().BtnLoginClick();
            ASSERT_EQ(main.ui.messages.size(), 1u);
            page.EditPwd->setText(kDevicePassword);
            main.form().login().BtnLoginClick();
            ASSERT_EQ(main.ui.messages.size(), 1u) << main.ui.messages.back().request.text.toStdString();

            main.chooseLayout(4);
            main.startAll();
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return main.view(0).state() == ViewState::Live && main.view(0).picturesPainted() > 0; }, 20000));
            shown = TextsOf(main.form());
            for (const auto& message : main.ui.messages) shown << message.request.caption << message.request.text;
            main.destroyWindow();  // saves the device list

            const QString listPath = main.directory().file(QStringLiteral("app/") + QLatin1String(kDeviceListFileName));
            const QString loginPath = main.directory().file(QStringLiteral("registry.ini"));
            for (const QString& root : {main.directory().path(), drive.path()}) {
                QDirIterator files(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                while (files.hasNext()) {
                    const QString file = QFileInfo(files.next()).absoluteFilePath();
                    QFile content(file);
                    ASSERT_TRUE(content.open(QIODevice::ReadOnly)) << file.toStdString();
                    if (file == QFileInfo(listPath).absoluteFilePath()) {
                        listText = content.readAll();
                        listMode = test::FileModeBits(file);
                    } else if (file == QFileInfo(loginPath).absoluteFilePath()) {
                        loginText = content.readAll();
                        loginMode = test::FileModeBits(file);
                    } else {
                        otherFiles.emplace_back(file, content.readAll());
                    }
                }
            }
        }
        capture.stop();
    }

    QFile captured(outputPath);
    ASSERT_TRUE(captured.open(QIODevice::ReadOnly));
    const QByteArray written = captured.readAll();
    EXPECT_FALSE(written.isEmpty());  // the log was on: the check below looks at real output
    for (const QString& password : {kDevicePassword, kWrongPassword}) {
        SCOPED_TRACE(password.toStdString());
        for (const QByteArray& line : written.split('\n')) EXPECT_FALSE(line.contains(password.toUtf8())) << line.toStdString();
        for (const QString& text : shown) EXPECT_FALSE(text.contains(password)) << text.toStdString();
        for (const auto& [file, content] : otherFiles)
            EXPECT_FALSE(content.contains(password.toUtf8())) << file.toStdString();
    }
    EXPECT_FALSE(otherFiles.empty());  // the language file, the login history at least
    // The files meant to hold the good one do, owner-only; the wrong one is nowhere.
    EXPECT_TRUE(listText.contains("Pwd=" + kDevicePassword.toUtf8())) << listText.toStdString();
    EXPECT_FALSE(listText.contains(kWrongPassword.toUtf8()));
    EXPECT_EQ(listMode, 0600u);
    EXPECT_TRUE(loginText.contains(kDevicePassword.toUtf8())) << loginText.toStdString();
    EXPECT_EQ(loginMode, 0600u);
}

}  // namespace
}  // namespace strovik
