// Program entry: one running copy per user. A second start brings the running window to the front
// and ends at once; the first creates the main window and runs until it is closed.
#include "app/Artwork.h"
#include "app/DemoSwitches.h"
#include "app/ProgramLibraries.h"
#include "app/StrovikForm.h"
#include "devices/Functions.h"
#include "platform/AppDirectories.h"
#include "platform/AudioMixer.h"
#include "platform/DesktopSecretStore.h"
#include "platform/QtUiServices.h"
#include "platform/SingleInstance.h"
#include "platform/StopSignals.h"
#include "platform/SystemLanguage.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSessionManager>
#include <QStandardPaths>

#include <chrono>

namespace {

Q_LOGGING_CATEGORY(instanceLog, "strovik.instance", QtWarningMsg)

constexpr std::chrono::milliseconds kRaiseTimeout{2000};

}  // namespace

int main(int argc, char** argv) {
    using namespace strovik;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Strovik"));

    SingleInstance instance;
    if (instance.Acquire() == SingleInstance::Role::Secondary) {
        const bool raised = instance.SendRaise(kRaiseTimeout);
        qCInfo(instanceLog) << (raised ? "asked the running copy to come to the front" : "the running copy did not answer");
        return 0;
    }
    qCInfo(instanceLog) << "listening on" << instance.serverName();

    ApplyProgramLook(app);
    QtUiServices dialogs;
    MainWindowServices services;
    services.appDir = ApplicationDirectory();
    services.installedLanguageDir = InstalledLanguageDirectory();
    services.secrets = CreateDesktopSecretStore(QStringLiteral("Strovik"));
    services.libraries = MakeProgramLibraries(services.appDir);
    services.ui = &dialogs;
    services.mixer = CreateSystemMixer();
    services.fallbackDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    services.systemLanguageId = SystemDefaultLanguageId();
    services.programVersion = GetFileVersionText(QCoreApplication::applicationFilePath());

    // The window may sit in the tray with no window shown: only its own close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QPointer<TStrovikForm> form = new TStrovikForm(std::move(services));
    form->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(form, &QObject::destroyed, &app, &QCoreApplication::quit);
    QObject::connect(&instance, &SingleInstance::raiseRequested, form, [form] {
        form->RestoreFromOtherInstance();
        qCInfo(instanceLog) << "raised on request, visible:" << form->isVisible();
    });
    // A stop signal or the end of the desktop session closes as a confirmed close does: windows
    // stopped, recordings finished, the device list saved.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, form, [form](int signal) {
        qCInfo(instanceLog) << "closing on signal" << signal;
        form->CloseWithoutQuestion();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form,
                     [form](QSessionManager&) { form->CloseWithoutQuestion(); });
    form->show();
    form->setWindowState(form->windowState() | Qt::WindowMaximized);
    ApplyDemoSwitches(form);
    const int result = QApplication::exec();
    // A quit that did not come from the window (the session ending) still saves the device list.
    delete form.data();
    return result;
}
