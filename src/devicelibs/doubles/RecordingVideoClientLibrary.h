#pragma once

#include "devicelibs/video/VideoClientLibrary.h"

#include <QObject>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace strovik {

// Test double of the video client library: records every call and answers from a script. Starts
// return queued answers, else fresh handles counting from 1; every other call returns the result
// set for its name (1 unless set). reportStreamLost posts the lost-stream event to the registered
// windows as the real library does. Thread-safe.
class RecordingVideoClientLibrary final : public VideoClientLibrary {
public:
    struct Call {
        std::string name;  // "X_ClientStop", ...
        std::int32_t handle = 0;
        std::int32_t value = 0;  // level for quality and drop calls
        std::uint16_t linkType = 0;
        std::string fileName;
        RenderTarget* window = nullptr;
    };
    struct Start {
        ClientStartInfo info;
        std::optional<RelayInfo> relay;  // set for X_ClientStartEx
        std::int32_t loginHandle = 0;
        std::uint16_t linkType = 0;
        std::int32_t result = 0;
    };

    // --- script ---
    void queueStartAnswer(std::int32_t result);
    void setResult(const std::string& callName, std::int32_t result);

    // --- what the program asked ---
    std::vector<Start> starts() const;
    std::vector<Call> calls() const;
    std::vector<Call> callsNamed(const std::string& callName) const;
    int initCount() const;

    // --- the library side ---
    void reportStreamLost(std::int32_t handle) const;
    void reportCaptureFailed(std::int32_t handle) const;

    // --- VideoClientLibrary ---
    std::int32_t X_ClientInit(std::uint32_t message, QObject* window) override;
    void X_ClientCleanup() override;
    std::int32_t X_ClientStart(const ClientStartInfo& info, std::int32_t loginHandle,
                               std::uint16_t linkType) override;
    std::int32_t X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                 std::uint16_t linkType) override;
    std::int32_t X_ClientStop(std::int32_t handle, std::uint16_t linkType) override;
    std::int32_t X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) override;
    std::int32_t X_ClientAudioStop(std::uint16_t linkType) override;
    std::int32_t X_ClientSetQuality(std::int32_t handle, std::int32_t level, std::uint16_t linkType) override;
    std::int32_t X_ClientThrowBFrame(std::int32_t handle, std::int32_t level,
                                     std::uint16_t linkType) override;
    std::int32_t X_ClientChangeRenderHandle(std::int32_t handle, RenderTarget* window,
                                            std::uint16_t linkType) override;
    std::int32_t X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                    std::uint16_t linkType) override;
    std::int32_t X_ClientStartCaptureFile(std::int32_t handle, const std::string& fileName,
                                          std::uint16_t linkType) override;
    std::int32_t X_ClientStopCapture(std::int32_t handle, std::uint16_t linkType) override;

private:
    std::int32_t record(Call call);
    void report(std::int32_t event, std::int32_t handle) const;
    std::int32_t recordStart(Start start);

    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
    mutable std::mutex mutex_;
    std::deque<std::int32_t> startAnswers_;
    std::int32_t nextHandle_ = 1;
    std::map<std::string, std::int32_t> results_;
    std::vector<Start> starts_;
    std::vector<Call> calls_;
    std::vector<std::pair<QObject*, std::uint32_t>> receivers_;
    int initCount_ = 0;
};

}  // namespace strovik
