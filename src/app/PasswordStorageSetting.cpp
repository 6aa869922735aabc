#include "app/PasswordStorageSetting.h"

#include "app/LanguageTables.h"
#include "platform/IniFile.h"

namespace strovik {

bool PasswordsInSecretStore(const QString& appDir) {
    const IniFile settings = IniFile::load(appDir + QLatin1String(kSettingsFileName));
    return settings.readString(QStringLiteral("Passwords"), QStringLiteral("Store"), QString())
               .compare(QLatin1String("SecretService"), Qt::CaseInsensitive) == 0;
}

}  // namespace strovik
