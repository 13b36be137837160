#include "web/web_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "common/fixed_text.h"
#include "net/base64.h"
#include "web/expected_responses.h"

namespace {

class FakeFiles : public WebFileSource {
 public:
  bool ReadFile(std::string_view path, std::string& content) override {
    requested.emplace_back(path);
    auto it = files.find(std::string(path));
    if (it == files.end()) return false;
    content = it->second;
    return true;
  }
  std::map<std::string, std::string> files;
  std::vector<std::string> requested;
};

class WebRequestTest : public ::testing::Test {
 protected:
  WebRequestTest() {
    settings = DefaultWebSettings();
    settings.requireLogin = 0;
    context.settings = &settings;
    context.cameraCount = 3;
    context.files = &files;
    context.grabJpeg = [this](int n, std::vector<unsigned char>& jpeg) {
      grabbed.push_back(n);
      if (n == 3) return false;  // camera 3 has no picture yet
      std::string picture = "\xFF\xD8jpeg-of-camera-" + std::to_string(n) + "\xFF\xD9";
      jpeg.assign(picture.begin(), picture.end());
      return true;
    };
  }

  std::string Answer(const std::string& request) {
    WebResponse response = ProcessWebRequest(request, context);
    EXPECT_EQ(response.outcome, WebRequestOutcome::Respond) << request;
    return std::string(response.bytes.begin(), response.bytes.end());
  }
  static std::string Get(const std::string& path, const std::string& headers = "") {
    return "GET /" + path + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n";
  }
  static std::string Auth(const std::string& encoded) { return "Authorization: Basic " + encoded + "\r\n"; }

  WebSettings settings;
  FakeFiles files;
  WebRequestContext context;
  std::vector<int> grabbed;
};

TEST(WebSettings, DefaultsAndOffsetsAsStored) {
  WebSettings s = DefaultWebSettings();
  unsigned char bytes[532];
  static_assert(sizeof s == sizeof bytes);
  std::memcpy(bytes, &s, sizeof bytes);
  EXPECT_EQ(bytes[0], 0);                     // webEnabled
  EXPECT_EQ(bytes[4], 1);                     // requireLogin
  EXPECT_EQ(bytes[8] | (bytes[9] << 8), 80);  // listenPort, little-endian
  for (size_t i = 10; i < 532; ++i) ASSERT_EQ(bytes[i], 0) << i;
  CopyText(s.userName, "u");
  CopyText(s.password, "p");
  std::memcpy(bytes, &s, sizeof bytes);
  EXPECT_EQ(bytes[10], 'u');
  EXPECT_EQ(bytes[270], 'p');
}

TEST_F(WebRequestTest, WaitsForTheBlankLineAcrossPieces) {
  std::string request;
  std::string full = Get("$COUNT");
  for (size_t i = 0; i + 1 < full.size(); ++i) {
    request.push_back(full[i]);
    ASSERT_EQ(ProcessWebRequest(request, context).outcome, WebRequestOutcome::Incomplete) << i;
  }
  request.push_back(full.back());
  EXPECT_EQ(Answer(request), TextPage("<HTML><BODY>3</BODY></HTML>"));
}

TEST_F(WebRequestTest, RootPostAndMissingMarkersAreNotFoundEvenBeforeLogin) {
  settings.requireLogin = 1;
  EXPECT_EQ(Answer("GET / HTTP/1.0\r\n\r\n"), kNotFound);
  EXPECT_EQ(Answer("POST /$COUNT HTTP/1.0\r\n\r\n"), kNotFound);
  EXPECT_EQ(Answer("GET /$COUNT\r\n\r\n"), kNotFound);
  EXPECT_EQ(Answer("\r\n\r\n"), kNotFound);
}

TEST_F(WebRequestTest, LoginIsComparedExactly) {
  settings.requireLogin = 1;
  CopyText(settings.userName, "admin");
  CopyText(settings.password, "Secret");
  const std::string count = TextPage("<HTML><BODY>3</BODY></HTML>");
  EXPECT_EQ(Answer(Get("$COUNT")), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", Auth(""))), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode("admin:Secret")))), count);
  EXPECT_EQ(Answer(Get("$COUNT", Auth("YWRtaW46U2VjcmV0"))), count);  // unpadded
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode("admin:secret")))), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode("admin:Secret2")))), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode("admin:Secre")))), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode(std::string("admin:Secret\0", 13))))), kLogin);
  EXPECT_EQ(Answer(Get("$COUNT", "Authorization: Digest abc\r\n")), kLogin);
  // Header names and the scheme in any case, as proxies and clients send them.
  for (const char* field : {"authorization: Basic ", "AUTHORIZATION:basic  ", "Authorization:\tBASIC "})
    EXPECT_EQ(Answer(Get("$COUNT", field + Base64Encode("admin:Secret") + "\r\n")), count) << field;
  EXPECT_EQ(Answer("GET /$COUNT HTTP/1.1\r\nX-Authorization: Basic " + Base64Encode("admin:Secret") + "\r\n\r\n"),
            kLogin);
}

TEST_F(WebRequestTest, EmptyUserAndPasswordAcceptALoneColon) {
  settings.requireLogin = 1;
  EXPECT_EQ(Answer(Get("$COUNT", Auth("Og=="))), TextPage("<HTML><BODY>3</BODY></HTML>"));
  EXPECT_EQ(Answer(Get("$COUNT", Auth(Base64Encode("a:")))), kLogin);
}

TEST_F(WebRequestTest, CameraNumbersReadAsAtoi) {
  const std::string header1 =
      "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: image/jpeg\r\nContent-Length: 20\r\n\r\n";
  EXPECT_EQ(Answer(Get("$CAM1")), header1 + "\xFF\xD8jpeg-of-camera-1\xFF\xD9");
  std::string second = Answer(Get("$CAM2?t=123"));
  EXPECT_NE(second.find("\r\n\r\n\xFF\xD8jpeg-of-camera-2\xFF\xD9"), std::string::npos);
  EXPECT_NE(Answer(Get("$CAM +2")).find("jpeg-of-camera-2"), std::string::npos);  // atoi skips blanks
  EXPECT_EQ(grabbed, (std::vector<int>{1, 2, 2}));
  for (const char* path :
       {"$CAM0", "$CAM", "$CAMx", "$CAM-1", "$CAM4", "$CAM99999999999999999999", "$CAM-4294967295"}) {
    EXPECT_EQ(Answer(Get(path)), kNotFound) << path;
  }
  EXPECT_EQ(grabbed, (std::vector<int>{1, 2, 2}));
}

TEST_F(WebRequestTest, CameraWithoutPictureGetsMessagePageWithStatus200) {
  const std::string body = "<HTML><BODY>Vorrandale Webserver<br>ERROR: No Image to Grab</BODY></HTML>";
  EXPECT_EQ(body.size(), 50u + 23u);
  EXPECT_EQ(Answer(Get("$CAM3")), TextPage(body));
  EXPECT_EQ(grabbed, (std::vector<int>{3}));
}

TEST_F(WebRequestTest, LargePictureKeepsEveryByte) {
  std::vector<unsigned char> picture(300000);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<unsigned char>(i * 7 + 3);
  context.grabJpeg = [&](int, std::vector<unsigned char>& jpeg) {
    jpeg = picture;
    return true;
  };
  std::string response = Answer(Get("$CAM1"));
  std::string header =
      "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: image/jpeg\r\n"
      "Content-Length: 300000\r\n\r\n";
  ASSERT_EQ(response.size(), header.size() + picture.size());
  EXPECT_EQ(response.substr(0, header.size()), header);
  EXPECT_EQ(std::memcmp(response.data() + header.size(), picture.data(), picture.size()), 0);
}

TEST_F(WebRequestTest, CountAnyPathBeginningWithIt) {
  context.cameraCount = 12;
  EXPECT_EQ(Answer(Get("$COUNTER")), TextPage("<HTML><BODY>12</BODY></HTML>"));
  context.cameraCount = 3;
  std::string three = Answer(Get("$COUNT"));
  EXPECT_NE(three.find("Content-Length: 27\r\n"), std::string::npos);
}

TEST_F(WebRequestTest, RootIsTheIndexPageWhenThereIsOneAndBehindTheLogin) {
  files.files["index.html"] = "<p>home</p>";
  EXPECT_EQ(Answer("GET / HTTP/1.0\r\n\r\n"), TextPage("<p>home</p>"));
  settings.requireLogin = 1;
  EXPECT_EQ(Answer("GET / HTTP/1.0\r\n\r\n"), kLogin);
  EXPECT_EQ(Answer(Get("", Auth("Og=="))), TextPage("<p>home</p>"));
  // Only a GET of the root: other requests stay unanswered by the page.
  EXPECT_EQ(Answer("POST / HTTP/1.0\r\n\r\n"), kNotFound);
  EXPECT_EQ(Answer("GET /\r\n\r\n"), kNotFound);
  EXPECT_EQ(Answer("\x01\x02garbage\r\n\r\n"), kNotFound);
}

TEST_F(WebRequestTest, FilesGoOutWholeTypedByTheirExtension) {
  const std::string binary("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\0end", 21);
  const std::map<std::string, std::string> types = {
      {"a.html", "text/html; charset=UTF-8"},
      {"b.HTM", "text/html; charset=UTF-8"},
      {"c.css", "text/css; charset=UTF-8"},
      {"d.js", "text/javascript; charset=UTF-8"},
      {"e.json", "application/json"},
      {"f.txt", "text/plain; charset=UTF-8"},
      {"g.svg", "image/svg+xml"},
      {"h.png", "image/png"},
      {"i.JPG", "image/jpeg"},
      {"j.jpeg", "image/jpeg"},
      {"k.gif", "image/gif"},
      {"l.ico", "image/x-icon"},
      {"m.mjpg", "video/x-motion-jpeg"},
      {"n.exe", "application/octet-stream"},
      {"noextension", "application/octet-stream"},
      {"dir.html/o", "application/octet-stream"},
  };
  for (const auto& [name, type] : types) {
    files.files[name] = binary;
    EXPECT_EQ(Answer(Get(name)), "HTTP/1.0 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: 21\r\n\r\n" + binary)
        << name;
  }
}

TEST_F(WebRequestTest, StreamsAreAskedForLikeCamerasAndBehindTheLogin) {
  auto stream = [&](const std::string& request) {
    WebResponse response = ProcessWebRequest(request, context);
    return response.outcome == WebRequestOutcome::Stream ? response.streamCamera : -1;
  };
  EXPECT_EQ(stream(Get("$STREAM1")), 1);
  EXPECT_EQ(stream(Get("$STREAM3?t=5")), 3);
  EXPECT_EQ(stream(Get("$GRID")), kGridStream);
  EXPECT_EQ(stream(Get("$GRID?t=1")), kGridStream);
  for (const char* path : {"$STREAM0", "$STREAM4", "$STREAM-1", "$STREAM", "$STREAMx"})
    EXPECT_EQ(Answer(Get(path)), kNotFound) << path;
  settings.requireLogin = 1;
  EXPECT_EQ(Answer(Get("$STREAM1")), kLogin);
  EXPECT_EQ(Answer(Get("$GRID")), kLogin);
  EXPECT_EQ(stream(Get("$GRID", Auth("Og=="))), kGridStream);
}

TEST_F(WebRequestTest, WrongCredentialsAreReportedAndABlockedPeerIsRefusedUnchecked) {
  settings.requireLogin = 1;
  EXPECT_FALSE(ProcessWebRequest(Get("$COUNT"), context).loginFailed) << "no credentials is no guess";
  EXPECT_FALSE(ProcessWebRequest(Get("$COUNT", Auth("Og==")), context).loginFailed);
  EXPECT_TRUE(ProcessWebRequest(Get("$COUNT", Auth(Base64Encode("a:b"))), context).loginFailed);
  context.loginBlocked = true;
  WebResponse blocked = ProcessWebRequest(Get("$COUNT", Auth("Og==")), context);
  EXPECT_EQ(std::string(blocked.bytes.begin(), blocked.bytes.end()), kLogin) << "even the right credentials";
  EXPECT_FALSE(blocked.loginFailed);
  settings.requireLogin = 0;
  EXPECT_EQ(Answer(Get("$COUNT")), TextPage("<HTML><BODY>3</BODY></HTML>")) << "no login, no throttle";
}

TEST_F(WebRequestTest, ServesFilesAsTextHtml) {
  files.files["index.html"] = "<p>hi</p>";
  files.files["sub/page.htm"] = "deep";
  files.files["zero.html"] = std::string("before\0after", 12);
  EXPECT_EQ(Answer(Get("index.html")), TextPage("<p>hi</p>"));
  EXPECT_EQ(Answer(Get("sub/page.htm")), TextPage("deep"));
  EXPECT_EQ(Answer(Get("zero.html")), TextPage(std::string("before\0after", 12)));  // whole, NUL and all
  EXPECT_EQ(Answer(Get("index.html?x=1")), kNotFound);
  EXPECT_EQ(Answer(Get("missing.html")), kNotFound);
  files.files["my page.html"] = "blank";
  EXPECT_EQ(Answer(Get("my%20page.html")), kNotFound);  // no percent-decoding
  EXPECT_EQ(files.requested.back(), "my%20page.html");
}

TEST_F(WebRequestTest, FileLargerThanThePageBufferGoesOutWhole) {
  std::string big(100000, 'x');
  for (size_t i = 0; i < big.size(); i += 97) big[i] = static_cast<char>('a' + i % 26);
  files.files["big.html"] = big;
  std::string response = Answer(Get("big.html"));
  EXPECT_EQ(response, TextPage(big));
  EXPECT_NE(response.find("Content-Length: 100000\r\n\r\n"), std::string::npos);
}

TEST_F(WebRequestTest, PathsLeavingTheFolderNeverReachTheFiles) {
  files.files["index.html"] = "in";
  for (const char* path : {"../secret.txt",
                           "sub/../../x",
                           "..",
                           "a/..",
                           "./index.html",
                           "%2e%2e/x" /* literal, no decode */,
                           "..\\secret.txt",
                           "sub\\index.html",
                           "/etc/passwd",
                           "/index.html",
                           "C:/Windows/win.ini",
                           "C:secret",
                           "index.html::$DATA",
                           ". ./x",
                           ".. /x",
                           "... /x",
                           "a/.../b",
                           "a//b",
                           "sub/",
                           "CON",
                           "nul.html",
                           "Com1.txt",
                           "LPT9",
                           "aux .txt",
                           "a*.html",
                           "a\"b",
                           "a<b",
                           "a|b",
                           "x\x01y"}) {
    files.requested.clear();
    std::string answer = Answer(Get(path));
    if (std::string(path) == "%2e%2e/x") {
      // Not decoded, so it names a harmless (missing) file inside the folder.
      EXPECT_EQ(files.requested, (std::vector<std::string>{"%2e%2e/x"}));
    } else {
      EXPECT_TRUE(files.requested.empty()) << path;
    }
    EXPECT_EQ(answer, kNotFound) << path;
  }
  EXPECT_TRUE(IsSafeWebPath("css/site.css"));
  EXPECT_TRUE(IsSafeWebPath("a..b.html"));
  EXPECT_TRUE(IsSafeWebPath(".hidden"));
  EXPECT_TRUE(IsSafeWebPath("console.html"));
  EXPECT_TRUE(IsSafeWebPath("COM10.txt"));
}

TEST_F(WebRequestTest, EndlessHeaderIsCappedAndClosed) {
  std::string request = "GET /$COUNT HTTP/1.0\r\n";
  std::string chunk(kReceiveChunkBytes, 'h');
  chunk[100] = '\r';
  chunk[101] = '\n';
  while (request.size() < kMaxRequestBytes) {
    ASSERT_EQ(ProcessWebRequest(request, context).outcome, WebRequestOutcome::Incomplete);
    AppendRequestText(request, chunk.data(), chunk.size());
  }
  for (int i = 0; i < 10; ++i) AppendRequestText(request, chunk.data(), chunk.size());
  EXPECT_EQ(request.size(), kMaxRequestBytes);
  EXPECT_GE(kMaxRequestBytes, 16u * 1024u);
  WebResponse response = ProcessWebRequest(request, context);
  EXPECT_EQ(response.outcome, WebRequestOutcome::Close);
  EXPECT_TRUE(response.bytes.empty());
}

TEST(AppendRequestText, StopsAtNulOfEachChunk) {
  std::string request;
  AppendRequestText(request, "GET /a\0junk", 11);
  AppendRequestText(request, " HTTP", 5);
  EXPECT_EQ(request, "GET /a HTTP");
}

}  // namespace
