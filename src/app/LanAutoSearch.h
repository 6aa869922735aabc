#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace strovik {

class CallbackRelay;
class DiscoveryLibrary;
struct MainWindowState;

// The main window's periodic LAN search: while devices of the device list are marked for it, the
// cameras on the LAN are searched once a minute and each known device that answers gets its
// current address and port. Reports arrive on a library thread and are handled on the main thread,
// in the order of arrival.
class LanAutoSearch final : public QObject {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 60000;

    LanAutoSearch(MainWindowState& state, std::shared_ptr<DiscoveryLibrary> library, QObject* parent = nullptr);
    ~LanAutoSearch() override;

    // Registers the main window's callback and starts one search now (nothing without a library).
    void StartSearch();
    // The timer (AutoSearchIPCTimer): each tick searches when autoSearchCount is above 0.
    QTimer& timer() { return timer_; }

    // One camera reported by the library, on the main thread.
    void OnAutoSearchResult(std::int32_t deviceId, const QString& address, std::int32_t videoPort);

private:
    MainWindowState& state_;
    std::shared_ptr<DiscoveryLibrary> library_;
    std::shared_ptr<CallbackRelay> relay_;
    QTimer timer_;
};

}  // namespace strovik
