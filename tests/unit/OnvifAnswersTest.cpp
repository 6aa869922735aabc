// The ONVIF client's readers of what devices send: HTTP framing, XML limits, SOAP faults, the
// answers of each call, WS-Discovery matches, the token digest and the PTZ mapping.
#include "devicelibs/onvif/HttpMessage.h"
#include "devicelibs/onvif/OnvifAnswers.h"
#include "devicelibs/onvif/OnvifCamera.h"
#include "devicelibs/onvif/OnvifPtz.h"
#include "devicelibs/onvif/SoapCall.h"
#include "devicelibs/onvif/UsernameToken.h"
#include "devicelibs/onvif/XmlTree.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

QByteArray Envelope(const QByteArray& body) {
    return "<?xml version=\"1.0\"?><env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" xmlns:tt=\"http://www.onvif.org/ver10/schema\">"
           "<env:Body>" +
           body + "</env:Body></env:Envelope>";
}

TEST(OnvifHttp, ReadsLengthChunkedAndCloseDelimitedAnswersAndRefusesTheRest) {
    const struct {
        const char* what;
        QByteArray bytes;
        bool closed;
        HttpReadState state;
        QByteArray body;
    } cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", false, HttpReadState::Complete, "hello"},
        {"length, more to come", "HTTP/1.1 200 OK\r\ncontent-length: 9\r\n\r\nhello", false,
         HttpReadState::Incomplete, {}},
        {"length, closed early", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nhello", true,
         HttpReadState::Malformed, {}},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;x=y\r\nhel\r\n2\r\nlo\r\n0\r\n\r\n",
         false, HttpReadState::Complete, "hello"},
        {"chunked, half", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", false,
         HttpReadState::Incomplete, {}},
        {"chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n",
         false, HttpReadState::Malformed, {}},
        {"chunk beyond the limit", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFF\r\n", false,
         HttpReadState::TooLarge, {}},
        {"until closed", "HTTP/1.0 200 OK\r\n\r\nhello", true, HttpReadState::Complete, "hello"},
        {"length beyond the limit", "HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n", false,
         HttpReadState::TooLarge, {}},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, HttpReadState::Malformed, {}},
        {"not HTTP", "SSH-2.0-x\r\n\r\n", false, HttpReadState::Malformed, {}},
        {"head never ends", QByteArray(20000, 'a'), false, HttpReadState::TooLarge, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpRead read = ReadHttpMessage(c.bytes, HttpMessageKind::Response, c.closed, 1000);
        EXPECT_EQ(read.state, c.state);
        if (c.state == HttpReadState::Complete) {
            EXPECT_EQ(read.body, c.body);
            EXPECT_EQ(read.head.statusCode(), 200);
        }
    }
    // Two requests on one connection: the first one's size tells where the second begins.
    const QByteArray two = "POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\nabPOST / HTTP/1.1\r\n\r\n";
    const HttpRead first = ReadHttpMessage(two, HttpMessageKind::Request, false, 100);
    ASSERT_EQ(first.state, HttpReadState::Complete);
    EXPECT_EQ(first.body, "ab");
    EXPECT_EQ(ReadHttpMessage(two.mid(static_cast<qsizetype>(first.consumed)), HttpMessageKind::Request, false, 100)
                  .state,
              HttpReadState::Complete);
}

TEST(OnvifXml, RefusesDocumentTypesDeepNestingTooManyElementsAndBrokenXml) {
    EXPECT_TRUE(ParseXmlTree("<a><b x=\"1\">text</b></a>"));
    const QByteArray deep = QByteArray("<a>").repeated(100) + QByteArray("</a>").repeated(100);
    const QByteArray wide = "<a>" + QByteArray("<b/>").repeated(30) + "</a>";
    for (const QByteArray& bad : {QByteArray("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>"), deep,
                                  QByteArray("<a><b></a>"), QByteArray("not xml"), QByteArray("<a/><b/>")}) {
        SCOPED_TRACE(bad.left(40).toStdString());
        EXPECT_FALSE(ParseXmlTree(bad));
    }
    EXPECT_FALSE(ParseXmlTree(wide, XmlLimits{20, 48}));
    EXPECT_TRUE(ParseXmlTree(wide, XmlLimits{40, 48}));
}

TEST(OnvifSoap, TellsRefusedLoginsFromOtherFaultsAndFromAnswers) {
    const QByteArray notAuthorized = Envelope(
        "<env:Fault><env:Code><env:Value>env:Sender</env:Value><env:Subcode><env:Value>ter:NotAuthorized"
        "</env:Value></env:Subcode></env:Code><env:Reason><env:Text>Sender not Authorized</env:Text></env:Reason>"
        "</env:Fault>");
    const QByteArray otherFault = Envelope("<env:Fault><env:Code><env:Value>env:Receiver</env:Value></env:Code>"
                                           "</env:Fault>");
    const QByteArray soap11Fault = Envelope("<env:Fault><faultcode>wsse:FailedAuthentication</faultcode></env:Fault>");
    const struct {
        const char* what;
        int status;
        QByteArray body;
        SoapOutcome outcome;
    } cases[] = {
        {"answer", 200, Envelope("<trt:GetProfilesResponse/>"), SoapOutcome::Answered},
        {"NotAuthorized", 400, notAuthorized, SoapOutcome::NotAuthorized},
        {"SOAP 1.1 failed authentication", 500, soap11Fault, SoapOutcome::NotAuthorized},
        {"HTTP 401 without a body", 401, {}, SoapOutcome::NotAuthorized},
        {"other fault", 500, otherFault, SoapOutcome::Fault},
        {"answer with an error status", 500, Envelope("<trt:GetProfilesResponse/>"), SoapOutcome::Malformed},
        {"no Body", 200, "<env:Envelope xmlns:env=\"x\"/>", SoapOutcome::Malformed},
        {"not an envelope", 200, "<html><body>login</body></html>", SoapOutcome::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(InterpretSoapAnswer(c.status, c.body).outcome, c.outcome);
    }
    EXPECT_EQ(InterpretSoapAnswer(400, notAuthorized).faultText,
              "env:Sender | ter:NotAuthorized | Sender not Authorized");
}

TEST(OnvifAnswers, ProfilesBecomeOneChannelPerVideoSourceWithMainAndSubStream) {
    const auto reply = InterpretSoapAnswer(
        200, Envelope("<trt:GetProfilesResponse>"
                      "<trt:Profiles token=\"a\"><tt:Name>A</tt:Name><tt:VideoSourceConfiguration token=\"v\">"
                      "<tt:SourceToken>src1</tt:SourceToken></tt:VideoSourceConfiguration></trt:Profiles>"
                      "<trt:Profiles><tt:Name>no token</tt:Name></trt:Profiles>"
                      "<trt:Profiles token=\"audio\"><tt:Name>only sound</tt:Name></trt:Profiles>"
                      "<trt:Profiles token=\"b\"><tt:VideoSourceConfiguration><tt:SourceToken>src2</tt:SourceToken>"
                      "</tt:VideoSourceConfiguration><tt:PTZConfiguration token=\"p\"/></trt:Profiles>"
                      "<trt:Profiles token=\"c\"><tt:VideoSourceConfiguration><tt:SourceToken>src1</tt:SourceToken>"
                      "</tt:VideoSourceConfiguration></trt:Profiles>"
                      "<trt:Profiles token=\"d\"><tt:VideoSourceConfiguration><tt:SourceToken>src1</tt:SourceToken>"
                      "</tt:VideoSourceConfiguration></trt:Profiles></trt:GetProfilesResponse>"));
    ASSERT_TRUE(reply.body);
    const auto profiles = ParseProfiles(*reply.body);
    ASSERT_TRUE(profiles);
    ASSERT_EQ(profiles->size(), 5u);  // the one without a token is left out
    EXPECT_TRUE((*profiles)[2].hasPtz);
    const std::vector<OnvifChannel> channels = ChannelsOf(*profiles);
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[0].main.token, "a");
    ASSERT_TRUE(channels[0].sub);
    EXPECT_EQ(channels[0].sub->token, "c");  // a third profile of the same source is not used
    EXPECT_EQ(channels[1].main.token, "b");
    EXPECT_FALSE(channels[1].sub);

    // Answers that lack what their call is for.
    const auto empty = InterpretSoapAnswer(200, Envelope("<trt:GetStreamUriResponse><trt:MediaUri/>"
                                                         "</trt:GetStreamUriResponse>"));
    EXPECT_FALSE(ParseStreamUri(*empty.body));
    EXPECT_FALSE(ParseProfiles(*empty.body));
    EXPECT_FALSE(ParseCapabilities(*empty.body));
    EXPECT_FALSE(ParseDeviceInformation(*empty.body));
}

TEST(OnvifAnswers, ServiceAddressesKeepOnlyTheirPathAndStreamAddressesLoseTheirCredentials) {
    EXPECT_EQ(ServicePath("http://10.1.2.3:8899/onvif/Media?x=1"), "/onvif/Media?x=1");
    EXPECT_EQ(ServicePath("http://10.1.2.3"), "/onvif/device_service");
    EXPECT_EQ(ServicePath("garbage that is no address"), "/onvif/device_service");
    EXPECT_EQ(CleanStreamUri(" rtsp://admin:pw@127.0.0.9:554/live?ch=1 "), "rtsp://127.0.0.9:554/live?ch=1");
    EXPECT_FALSE(CleanStreamUri("http://127.0.0.9/live"));
    EXPECT_FALSE(CleanStreamUri("rtsp:///nohost"));
}

TEST(OnvifAnswers, ProbeMatchesAnswerTheirProbeWithEveryServiceAddress) {
    const QByteArray datagram =
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
        "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Header><a:RelatesTo>uuid:1</a:RelatesTo>"
        "</s:Header><s:Body><d:ProbeMatches><d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:cam"
        "</a:Address></a:EndpointReference><d:XAddrs> http://127.0.0.5/onvif/device_service\n"
        "http://[::1]/onvif/device_service </d:XAddrs></d:ProbeMatch><d:ProbeMatch><d:XAddrs/></d:ProbeMatch>"
        "</d:ProbeMatches></s:Body></s:Envelope>";
    const auto answer = ParseProbeMatches(datagram);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->relatesTo, "uuid:1");
    ASSERT_EQ(answer->matches.size(), 1u);  // a match without any address is no camera we can reach
    EXPECT_EQ(answer->matches[0].endpoint, "urn:uuid:cam");
    EXPECT_EQ(answer->matches[0].serviceAddresses.size(), 2);
    EXPECT_FALSE(ParseProbeMatches("SVKD binary answer"));
}

TEST(OnvifToken, DigestIsBase64OfSha1OfNonceCreatedAndPassword) {
    // Computed independently: base64(sha1(b"0123456789abcdef" b"2026-01-01T00:00:00Z" b"secret")).
    EXPECT_EQ(PasswordDigest("0123456789abcdef", "2026-01-01T00:00:00Z", "secret"), "AHdjPQqhLugJUej2bfmGQqPj3Vo=");
    const UsernameToken first = UsernameToken::make("a<b", "pw");
    const UsernameToken second = UsernameToken::make("a<b", "pw");
    EXPECT_NE(first.nonce, second.nonce);
    EXPECT_EQ(first.passwordDigest, PasswordDigest(first.nonce, first.created, "pw"));
    EXPECT_TRUE(first.securityHeader().contains("<wsse:Username>a&lt;b</wsse:Username>"));
    EXPECT_FALSE(first.securityHeader().contains("pw<"));
}

TEST(OnvifPtzMapping, ButtonsBecomeVelocitiesStopsOrNothing) {
    using Kind = OnvifPtzAction::Kind;
    const struct {
        std::uint8_t code;
        std::uint8_t speed;
        Kind kind;
        PtzVelocity velocity;
        double focus;
    } cases[] = {
        {101, 4, Kind::Move, {0, 0.5, 0}, 0},      {102, 8, Kind::Move, {0, -1, 0}, 0},
        {103, 2, Kind::Move, {-0.25, 0, 0}, 0},    {104, 0, Kind::Move, {0.125, 0, 0}, 0},
        {104, 200, Kind::Move, {1, 0, 0}, 0},      {111, 4, Kind::Move, {0, 0, -0.5}, 0},
        {112, 4, Kind::Move, {0, 0, 0.5}, 0},      {105, 4, Kind::StopPanTilt, {}, 0},
        {108, 4, Kind::StopPanTilt, {}, 0},        {121, 4, Kind::StopZoom, {}, 0},
        {113, 4, Kind::FocusMove, {}, -0.5},       {114, 4, Kind::FocusMove, {}, 0.5},
        {124, 4, Kind::FocusStop, {}, 0},          {115, 4, Kind::Nothing, {}, 0},
        {117, 4, Kind::Nothing, {}, 0},            {200, 4, Kind::Nothing, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.code));
        PtzCommand command{};
        command.code = c.code;
        command.speed = c.speed;
        const OnvifPtzAction action = OnvifPtzActionOf(command);
        EXPECT_EQ(action.kind, c.kind);
        EXPECT_DOUBLE_EQ(action.velocity.pan, c.velocity.pan);
        EXPECT_DOUBLE_EQ(action.velocity.tilt, c.velocity.tilt);
        EXPECT_DOUBLE_EQ(action.velocity.zoom, c.velocity.zoom);
        EXPECT_DOUBLE_EQ(action.focusSpeed, c.focus);
    }
}

}  // namespace
}  // namespace strovik
