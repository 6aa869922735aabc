#include "platform/DesktopSecretStore.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <utility>

namespace strovik {

namespace {

class KeychainSecretStore final : public SecretStore {
public:
    KeychainSecretStore(QString service, std::chrono::milliseconds timeout)
        : service_(std::move(service)), timeout_(timeout) {}

    ReadResult read(const QString& key) override {
        auto* job = new QKeychain::ReadPasswordJob(service_);
        job->setKey(key);
        ReadResult result;
        result.error = run(job, [&result](QKeychain::Job& finished) {
            if (finished.error() == QKeychain::NoError)
                result.secret = static_cast<QKeychain::ReadPasswordJob&>(finished).textData();
        });
        return result;
    }

    QString write(const QString& key, const QString& secret) override {
        auto* job = new QKeychain::WritePasswordJob(service_);
        job->setKey(key);
        job->setTextData(secret);
        return run(job, [](QKeychain::Job&) {});
    }

    QString remove(const QString& key) override {
        auto* job = new QKeychain::DeletePasswordJob(service_);
        job->setKey(key);
        return run(job, [](QKeychain::Job&) {});
    }

private:
    // Starts job and waits for it in a local event loop that leaves user input queued. A job that
    // outlives the time limit is left to finish (or not) on its own: it deletes itself when it
    // finishes, and its late result goes nowhere. Returns the error text; empty on success and
    // for "nothing stored", which is an answer, not a failure.
    template <typename OnFinished>
    QString run(QKeychain::Job* job, OnFinished onFinished) {
        job->setAutoDelete(true);
        job->setInsecureFallback(false);  // never a plain file behind the operator's back
        QEventLoop loop;
        bool finished = false;
        QString error;
        QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
            finished = true;
            if (done->error() != QKeychain::NoError && done->error() != QKeychain::EntryNotFound)
                error = done->errorString().isEmpty() ? QStringLiteral("secret service error %1").arg(done->error())
                                                      : done->errorString();
            onFinished(*done);
            loop.quit();
        });
        QTimer::singleShot(timeout_, &loop, &QEventLoop::quit);
        job->start();
        if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!finished) {
            return QStringLiteral("the secret service did not answer within %1 s (is it running and unlocked?)")
                .arg(timeout_.count() / 1000.0);
        }
        return error;
    }

    QString service_;
    std::chrono::milliseconds timeout_;
};

}  // namespace

std::unique_ptr<SecretStore> CreateDesktopSecretStore(const QString& service, std::chrono::milliseconds timeout) {
    return std::make_unique<KeychainSecretStore>(service, timeout);
}

}  // namespace strovik
