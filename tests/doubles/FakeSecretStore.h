#pragma once

#include "platform/SecretStore.h"

#include <QMap>

namespace strovik::test {

// A secret store in memory; with failure set, every call fails with that text, as a missing or
// locked secret service does.
class FakeSecretStore final : public SecretStore {
public:
    struct Contents {
        QMap<QString, QString> secrets;
        QString failure;
        int calls = 0;
    };
    explicit FakeSecretStore(Contents& contents) : contents_(contents) {}

    ReadResult read(const QString& key) override {
        ++contents_.calls;
        if (!contents_.failure.isEmpty()) return {std::nullopt, contents_.failure};
        if (!contents_.secrets.contains(key)) return {};
        return {contents_.secrets.value(key), {}};
    }
    QString write(const QString& key, const QString& secret) override {
        ++contents_.calls;
        if (contents_.failure.isEmpty()) contents_.secrets.insert(key, secret);
        return contents_.failure;
    }
    QString remove(const QString& key) override {
        ++contents_.calls;
        if (contents_.failure.isEmpty()) contents_.secrets.remove(key);
        return contents_.failure;
    }

private:
    Contents& contents_;
};

}  // namespace strovik::test
