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

}  // namespace
