#include "net/base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Base64Encode, KnownVectorsAndPadding) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Base64Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(Base64Encode, HighBytesAndNulByUnsignedValue) {
  EXPECT_EQ(Base64Encode(std::string("\xFF\xFF\xFF", 3)), "////");
  EXPECT_EQ(Base64Encode(std::string("\x80", 1)), "gA==");
  EXPECT_EQ(Base64Encode(std::string("\xFB\xEF\xBE", 3)), "++++");
  EXPECT_EQ(Base64Encode(std::string("\0\0\0", 3)), "AAAA");
}

TEST(Base64Encode, RoundTripsEveryByteValueAtEveryTailLength) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (size_t n = 0; n <= all.size(); n += 1) {
    std::string part = all.substr(0, n);
    std::string text = Base64Encode(part);
    ASSERT_EQ(text.size(), (n + 2) / 3 * 4);
    ASSERT_EQ(Base64Decode(text), part) << n;
  }
}

TEST(Base64EncodeCredentials, JoinsWithColon) {
  char out[kCredentialTextCapacity];
  ASSERT_TRUE(Base64EncodeCredentials("Aladdin", "open sesame", out));
  EXPECT_STREQ(out, "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  ASSERT_TRUE(Base64EncodeCredentials("", "", out));
  EXPECT_STREQ(out, "Og==");
}

TEST(Base64EncodeCredentials, LimitIs192JoinedCharacters) {
  char out[kCredentialTextCapacity];
  std::string user(100, 'u');
  // 100 + 1 + 91 = 192 characters: 256 encoded characters fit.
  ASSERT_TRUE(Base64EncodeCredentials(user, std::string(91, 'p'), out));
  EXPECT_EQ(std::strlen(out), 256u);
  EXPECT_EQ(Base64Decode(out), user + ":" + std::string(91, 'p'));

  // 193 characters would need 260 characters: refused, buffer untouched.
  std::memset(out, '#', sizeof out);
  EXPECT_FALSE(Base64EncodeCredentials(user, std::string(92, 'p'), out));
  for (char c : out) ASSERT_EQ(c, '#');
}

TEST(Base64Decode, StopsAtPaddingBlankOrForeignCharacter) {
  EXPECT_EQ(Base64Decode(""), "");
  EXPECT_EQ(Base64Decode("Zg==Zm9v"), "f");  // two encodings joined
  EXPECT_EQ(Base64Decode("Zm 9v"), "f");     // blank after two characters
  EXPECT_EQ(Base64Decode("Zm8 9v"), "fo");
  EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy"), "foo");
  EXPECT_EQ(Base64Decode("Zm9v-_Fy"), "foo");          // URL-safe alphabet refused
  EXPECT_EQ(Base64Decode("Zm9v\xC3\xA9YmFy"), "foo");  // accented letter
  EXPECT_EQ(Base64Decode("=Zm9v"), "");
}

TEST(Base64Decode, UnfinishedGroups) {
  EXPECT_EQ(Base64Decode("Zm9vY"), "foo");      // one trailing character: nothing
  EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");    // two: one byte
  EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");  // three: two bytes
  EXPECT_EQ(Base64Decode("Z"), "");
  EXPECT_EQ(Base64Decode("QWxhZGRpbjpvcGVuIHNlc2FtZQ"), "Aladdin:open sesame");
  EXPECT_EQ(Base64Decode("QWxhZGRpbjpvcGVuIHNlc2FtZQ=="), "Aladdin:open sesame");
}

TEST(Base64Decode, KeepsNulAndHighBytes) {
  EXPECT_EQ(Base64Decode("AAAA"), std::string("\0\0\0", 3));
  EXPECT_EQ(Base64Decode("////"), std::string("\xFF\xFF\xFF", 3));
  // Non-canonical trailing bits are simply dropped, not rejected.
  EXPECT_EQ(Base64Decode("Zh"), "f");
}

}  // namespace
