#include "sources/rtsp_message.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(ParseRtspUrl, SplitsCredentialsHostAndPortAndKeepsTheRestForRequests) {
  // "user|password|host|port|request URL", "" when refused.
  const std::pair<const char*, const char*> cases[] = {
      {"rtsp://cam/live", "||cam|554|rtsp://cam/live"},
      {"RTSP://admin:p%40ss:x@10.0.0.2:8554/h264?ch=1", "admin|p@ss:x|10.0.0.2|8554|rtsp://10.0.0.2:8554/h264?ch=1"},
      {"rtsp://a@b:c@cam", "a@b|c|cam|554|rtsp://cam"},
      {"rtsp://u:%zz@[fe80::1]:10554/s", "u|%zz|fe80::1|10554|rtsp://[fe80::1]:10554/s"},
  };
  for (const auto& [text, expected] : cases) {
    RtspUrl url;
    ASSERT_TRUE(ParseRtspUrl(text, url)) << text;
    EXPECT_EQ(url.user + "|" + url.password + "|" + url.host + "|" + std::to_string(url.port) + "|" + url.requestUrl,
              expected);
  }
  for (const char* bad :
       {"http://cam/", "rtsp://", "rtsp://u:p@/x", "rtsp://cam:/x", "rtsp://cam:0", "rtsp://cam:65536", "rtsp://cam:8a",
        "rtsp://[::1/x", "rtsp://[::1]x", "rtsp://cam/a b", "rtsp://cam/\r\nX: y"}) {
    RtspUrl url;
    EXPECT_FALSE(ParseRtspUrl(bad, url)) << bad;
  }
}

TEST(ResolveRtspControl, AbsoluteStarRootedAndRelative) {
  const std::string base = "rtsp://cam:554/live";
  const std::pair<const char*, std::string> cases[] = {{"trackID=1", base + "/trackID=1"},
                                                       {"*", base},
                                                       {"", base},
                                                       {"RTSP://other/v", "RTSP://other/v"},
                                                       {"/media/v", "rtsp://cam:554/media/v"}};
  for (const auto& [control, resolved] : cases) EXPECT_EQ(ResolveRtspControl(base, control), resolved) << control;
  EXPECT_EQ(ResolveRtspControl(base + "/", "v"), base + "/v");
}

TEST(ParseRtspResponse, StatusHeadersInAnyCaseFoldedLinesAndBody) {
  RtspResponse response;
  ASSERT_TRUE(ParseRtspResponse(
      "RTSP/1.0 200 OK\r\ncseq: 2\r\nPublic: OPTIONS,\r\n DESCRIBE\r\nCONTENT-LENGTH: 4\r\n\r\nv=0\n", response));
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.reason, "OK");
  EXPECT_EQ(response.Header("CSeq"), "2");
  EXPECT_EQ(response.Header("public"), "OPTIONS, DESCRIBE");
  EXPECT_EQ(response.Header("Session"), "");
  EXPECT_EQ(response.body, "v=0\n");
  for (const char* bad : {"HTTP/1.1 200 OK\r\n\r\n", "RTSP/1.0 2x0 OK\r\n\r\n", "RTSP/1.0 2000\r\n\r\n",
                          "OPTIONS * RTSP/1.0\r\n\r\n", "RTSP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n"})
    EXPECT_FALSE(ParseRtspResponse(bad, response)) << bad;
}

TEST(ParseRtspSession, IdAndTimeout) {
  // "value|id|timeout", an empty id for a refused value.
  for (const char* c : {"12345678|12345678|60", " AbC;timeout=30|AbC|30", "x;Timeout = 5|x|60", "x; timeout=0|x|60",
                        "x;timeout=99999999999|x|60", ";timeout=30||60"}) {
    const std::string text = c;
    const size_t bar = text.find('|'), bar2 = text.rfind('|');
    std::string id;
    int timeout = 60;
    EXPECT_EQ(ParseRtspSession(text.substr(0, bar), id, timeout), bar2 > bar + 1) << c;
    EXPECT_EQ(id, text.substr(bar + 1, bar2 - bar - 1)) << c;
    EXPECT_EQ(timeout, std::stoi(text.substr(bar2 + 1))) << c;
  }
}

// RFC 2617's example, and its variants without qop and with MD5-sess (which
// between them take MD5 through one, two and three blocks).
TEST(RtspAuthorization, AnswersTheStrongestChallengeOffered) {
  const std::string digest = "Digest realm=\"testrealm@host.com\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\"";
  const std::string answer =
      "Digest username=\"Mufasa\", realm=\"testrealm@host.com\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
      "uri=\"/dir/index.html\", response=";
  const struct {
    std::vector<std::string> challenges;
    uint32_t nonceCount;
    std::string authorization;
  } cases[] = {
      {{"Basic realm=\"cam\"", digest + ", qop=\"auth,auth-int\", opaque=\"5ccc\""},
       1,
       answer + "\"6629fae49393a05397450978507c4ef1\", algorithm=MD5, opaque=\"5ccc\", qop=auth, nc=00000001, "
                "cnonce=\"0a4f113b\""},
      {{digest}, 1, answer + "\"670fd8c2df070c60b045671b8b24ff02\", algorithm=MD5"},
      {{digest + ",algorithm=md5-sess,qop=auth"},
       2,
       answer + "\"d16df0df0d92cef8935129145e21b5e1\", algorithm=MD5-sess, qop=auth, nc=00000002, cnonce=\"0a4f113b\""},
      // Digests this client cannot answer leave Basic, or nothing.
      {{digest + ", algorithm=SHA-256", "basic realm=x"}, 1, "Basic TXVmYXNhOkNpcmNsZSBPZiBMaWZl"},
      {{digest + ", qop=auth-int"}, 1, ""},
      {{"Digest realm=\"r\""}, 1, ""},
  };
  for (const auto& c : cases) {
    RtspResponse response;
    response.status = 401;
    for (const auto& challenge : c.challenges) response.headers.emplace_back("WWW-Authenticate", challenge);
    EXPECT_EQ(RtspAuthorization(ChooseRtspChallenge(response), {"Mufasa", "Circle Of Life"}, "GET", "/dir/index.html",
                                c.nonceCount, "0a4f113b"),
              c.authorization)
        << c.challenges[0];
  }
}

}  // namespace
