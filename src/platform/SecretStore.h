#pragma once

#include <QString>

#include <optional>

namespace strovik {

// A place for passwords outside the program's files: the desktop's secret service. The device list
// keeps its passwords there when the settings ask for it (docs/installing.md).
//
// Every call blocks its caller until the store answers or its time limit passes; a store that is
// missing, locked or does not answer in time is an error, never a hang. GUI thread only.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    struct ReadResult {
        std::optional<QString> secret;  // nullopt: nothing stored under the key (or an error)
        QString error;                  // empty when the store answered
    };
    virtual ReadResult read(const QString& key) = 0;
    // Empty on success, else why the secret could not be stored.
    virtual QString write(const QString& key, const QString& secret) = 0;
    // Empty on success (also when nothing was stored), else why it could not be removed.
    virtual QString remove(const QString& key) = 0;
};

}  // namespace strovik
