#include "devicelibs/video/FrameFileReader.h"
#include "devicelibs/video/FrameFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(FrameFormat, HeaderFieldsSitAtTheirOffsets) {
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {0x01020304, 0xA0B0C0D0, FrameType::Droppable});
    const std::uint8_t expected[kFrameHeaderBytes] = {4,    3,    2,    1,    0, 0,    0, 0,
                                                      0xD0, 0xC0, 0xB0, 0xA0, 0, 0x30, 0, 0};
    EXPECT_TRUE(std::equal(header, header + kFrameHeaderBytes, expected));

    // Readers take the type from the upper four bits of byte 13 only and ignore the other bytes.
    std::uint8_t noisy[kFrameHeaderBytes];
    std::fill(std::begin(noisy), std::end(noisy), 0xEE);
    noisy[13] = 0x4F;
    const FrameHeader read = ReadFrameHeader(noisy);
    EXPECT_EQ(read.type, FrameType::Audio);
    EXPECT_EQ(read.bodyLength, 0xEEEEEEEEu);
    EXPECT_EQ(read.timeStampMs, 0xEEEEEEEEu);
}

TEST(FrameFormat, ChecksLengthAndType) {
    const struct {
        std::uint32_t length;
        std::uint8_t type;
        FrameHeaderCheck expected;
    } cases[] = {
        {0, FrameType::Key, FrameHeaderCheck::Ok},
        {kMaxFrameBodyBytes, FrameType::Audio, FrameHeaderCheck::Ok},
        {kMaxFrameBodyBytes + 1, FrameType::Key, FrameHeaderCheck::BodyTooLong},
        {0xFFFFFFFF, FrameType::Picture, FrameHeaderCheck::BodyTooLong},  // -1 as int32
        {100, 0, FrameHeaderCheck::UnknownType},
        {100, 5, FrameHeaderCheck::UnknownType},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " type " << int(c.type));
        EXPECT_EQ(CheckFrameHeader({c.length, 0, c.type}), c.expected);
    }
}

QByteArray Frame(std::uint32_t length, std::uint8_t type, int bodyBytes) {
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {length, 40, type});
    return QByteArray(reinterpret_cast<const char*>(header), kFrameHeaderBytes) + QByteArray(bodyBytes, 'x');
}

TEST(FrameFileReader, ReadsWholeFramesAndSaysWhyItStops) {
    test::TempDir dir;
    using Status = FrameFileReader::Status;
    const struct {
        const char* what;
        QByteArray bytes;
        std::vector<Status> expected;
    } cases[] = {
        {"two frames",
         Frame(3, FrameType::Key, 3) + Frame(0, FrameType::Audio, 0),
         {Status::Frame, Status::Frame, Status::End}},
        {"empty file", QByteArray(), {Status::End}},
        {"cut inside a header",
         Frame(3, FrameType::Key, 3) + QByteArray(10, 0),
         {Status::Frame, Status::Truncated}},
        {"cut inside a body", Frame(30, FrameType::Key, 12), {Status::Truncated}},
        {"body beyond the limit", Frame(kMaxFrameBodyBytes + 1, FrameType::Key, 8), {Status::BodyTooLong}},
        {"unknown types are handed on", Frame(2, 9, 2), {Status::Frame, Status::End}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FrameFileReader reader(dir.write("f.264", c.bytes).toStdString());
        for (const Status expected : c.expected) EXPECT_EQ(reader.next(), expected);
    }
    EXPECT_EQ(FrameFileReader(dir.file("missing.264").toStdString()).next(), Status::Failed);
}

}  // namespace
}  // namespace strovik
