#include "events/mail_message.h"

#include <gtest/gtest.h>

#include "net/base64.h"

namespace {

TEST(MailMessage, ReadsAddressLists) {
  const struct {
    std::string list, addresses;  // "" when refused
  } cases[] = {
      {"a@x", "a@x;"},
      {" a@x , Bea <b@y>;c@z,", "a@x;b@y;c@z;"},
      {"", ""},
      {" , ", ""},
      {"a@x, nobody", ""},
      {"a b@x", ""},
      {"Bea <b@y", ""},
      {"@x", ""},
      {"a@x\r\nRCPT TO:<c@z>", ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> found;
    std::string error;
    const bool ok = ParseMailAddresses(c.list, found, error);
    std::string joined;
    for (const std::string& address : found) joined += address + ";";
    EXPECT_EQ(joined, c.addresses) << c.list;
    EXPECT_EQ(ok, error.empty()) << c.list;
  }
}

TEST(MailMessage, EncodesHeaderTextInWholeCharacters) {
  const std::string ascii = "Motion on Camera 2 (Front door) at 14:03:22";
  EXPECT_EQ(EncodeHeaderText(ascii), ascii);
  std::string text = "Motion on Camera 2 (";
  for (int i = 0; i < 30; ++i) text += "\xC3\xA9\xE2\x82\xAC";  // é€
  const std::string encoded = EncodeHeaderText(text + ")");
  std::string decoded;
  size_t start = 0;
  for (size_t end; (end = encoded.find("?=", start)) != std::string::npos; start = end + 2) {
    const size_t open = encoded.find("=?UTF-8?B?", start);
    ASSERT_NE(open, std::string::npos);
    EXPECT_LE(end + 2 - open, 75u);
    const std::string word = Base64Decode(encoded.substr(open + 10, end - open - 10));
    EXPECT_NE(static_cast<unsigned char>(word[0]) & 0xC0, 0x80u) << "a word starts inside a character";
    decoded += word;
  }
  EXPECT_EQ(decoded, text + ")");
}

TEST(MailMessage, DatesInTheComputersTime) {
  const struct {
    int64_t time;
    int32_t offset;
    std::string date;
  } cases[] = {
      {1796821402, 3600, "Wed, 09 Dec 2026 14:03:22 +0100"},
      {0, -18000, "Wed, 31 Dec 1969 19:00:00 -0500"},
      {951782400, 0, "Tue, 29 Feb 2000 00:00:00 +0000"},
  };
  for (const auto& c : cases) {
    Alert alert;
    alert.time = c.time;
    alert.utcOffset = c.offset;
    EXPECT_EQ(MailDate(alert), c.date);
  }
}

TEST(MailMessage, ComposesTextAndAttachment) {
  Alert alert;
  alert.camera = 2;
  alert.cameraName = "Front door";
  alert.time = 1796821402;
  alert.level = 73;
  alert.pictureUrl = "https://cam.example/events/9.jpg";
  for (int i = 0; i < 1000; ++i) alert.thumbnail.push_back(static_cast<uint8_t>(i * 7));
  const std::string mail = ComposeMail(alert, {"a@x", {"b@y", "c@z"}, "<1@x>"});
  for (size_t i = 0; (i = mail.find('\n', i + 1)) != std::string::npos;) EXPECT_EQ(mail[i - 1], '\r') << i;
  EXPECT_NE(mail.find("\r\nSubject: " + AlertSubject(alert) + "\r\n"), std::string::npos);
  EXPECT_NE(mail.find("\r\nTo: b@y, c@z\r\n"), std::string::npos);
  EXPECT_NE(mail.find(alert.pictureUrl), std::string::npos);
  const size_t image = mail.find("Content-Type: image/jpeg");
  ASSERT_NE(image, std::string::npos);
  size_t line = mail.find("\r\n\r\n", image) + 4;
  std::string base64;
  for (size_t end; mail.compare(line, 2, "--") != 0; line = end + 2) {
    end = mail.find("\r\n", line);
    EXPECT_LE(end - line, 76u);
    base64 += mail.substr(line, end - line);
  }
  EXPECT_EQ(Base64Decode(base64), std::string(alert.thumbnail.begin(), alert.thumbnail.end()));
}

TEST(MailMessage, TellsEveryEventButTheEndOfMotion) {
  Alert alert;
  for (EventKind kind : {EventKind::kMotion, EventKind::kSignalLost, EventKind::kAlertFailed}) {
    for (bool ended : {false, true}) {
      alert.kind = kind;
      alert.ended = ended;
      EXPECT_EQ(MailWanted(alert), kind != EventKind::kMotion || !ended);
    }
  }
}

}  // namespace
