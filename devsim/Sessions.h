#pragma once

#include "SessionContext.h"
#include "devicelibs/wire/SessionRecords.h"

namespace strovik::devsim {

// The verification port (device port + 2000): reads the session's hello, serves the session it
// opens and logs one "session" line when it ends.
void ServeVerificationPort(SessionContext& session);

// The raw PTZ socket of older firmware (the channels' stream port): 128-byte records back to back.
void ServeRawPtzPort(SessionContext& session);

// The session kinds behind a hello. Each returns its outcome and may add fields to the session's line.
const char* ServeVerifySession(SessionContext& session, const SessionHello& hello, LogLine& summary);
const char* ServeCommandSession(SessionContext& session, LogLine& summary);
const char* ServeTransferSession(SessionContext& session, const SessionHello& hello, LogLine& summary);
const char* ServePtzSession(SessionContext& session, const SessionHello& hello, LogLine& summary);

bool SendSessionAnswer(SessionContext& session, SessionKind kind, std::int32_t status,
                       std::int64_t fileSize = 0);

}  // namespace strovik::devsim
