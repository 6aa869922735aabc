// Until the main window exists the program shows, on standard output, the device tree that the
// device list file in its directory loads.
#include "app/LanguageTables.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "devices/Functions.h"
#include "platform/AppDirectories.h"
#include "platform/StringTable.h"
#include "platform/SystemLanguage.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using namespace strovik;

    const QString appDir = ApplicationDirectory();
    StringTable strings;
    const LanguageState language = LoadLanguage(appDir, SystemDefaultLanguageId(), strings);

    DeviceTree tree(strings);
    const DeviceListLoad load = LoadDeviceList(appDir + QLatin1String(kDeviceListFileName), tree);

    QTextStream out(stdout);
    out << "Ver: " << GetFileVersionText(QCoreApplication::applicationFilePath()).value_or(QStringLiteral("9.9.0.0"))
        << "\nappDir: " << appDir << "\nlanguage " << language.languageId
        << (language.languageLoaded ? " (language file)" : " (built-in English)") << '\n';
    if (!load.error.isEmpty()) out << "device list: " << load.error << '\n';
    for (const auto& device : tree.model().roots()) {
        const DeviceNode& record = *device->record();
        out << "[icon " << device->icon() << "] " << device->text() << "  " << record.connection.address.toQString()
            << ':' << record.connection.port << '\n';
        for (const auto& channel : device->children())
            out << "    [icon " << channel->icon() << "] " << channel->text() << "  stream port "
                << channel->record()->stream.streamPort << '\n';
    }
    return 0;
}
