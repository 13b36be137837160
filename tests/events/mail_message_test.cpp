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
  EXPECT_EQ(EncodeHeaderText("Motion on Camera 2 (Front door)"), "Motion on Camera 2 (Front door)");
  std::string text = "Motion on Camera 2 (";
  for (int i = 0; i < 30; ++i) text += "\xC3\xA9\xE2\x82\xAC";  // é€
  const std::string encoded = EncodeHeaderText(text), prefix = "=?UTF-8?B?";
  std::string decoded;
  for (size_t open = 0, end; (open = encoded.find(prefix, open)) != std::string::npos; open = end) {
    end = encoded.find("?=", open);
    EXPECT_LE(end + 2 - open, 75u);
    const std::string word = Base64Decode(encoded.substr(open + prefix.size(), end - open - prefix.size()));
    EXPECT_NE(static_cast<unsigned char>(word[0]) & 0xC0, 0x80u) << "a word starts inside a character";
    decoded += word;
  }
  EXPECT_EQ(decoded, text);
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

TEST(MailMessage, KeepsEveryLineShortAndEndedByCrLf) {
  Alert alert;
  alert.camera = 2;
  alert.cameraName = "Front door";
  alert.pictureUrl = "https://cam.example/events/9.jpg";
  alert.thumbnail.assign(5000, 0xD8);
  const std::string mail = ComposeMail(alert, {"a@x", {"b@y"}, "<1@x>"});
  for (size_t start = 0, end; start < mail.size(); start = end + 1) {
    end = mail.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(mail[end - 1], '\r') << start;
    EXPECT_LE(end - 1 - start, 78u) << mail.substr(start, end - start);
  }
}

}  // namespace
