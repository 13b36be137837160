#include "shell/about_text.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutTextTest, VersionWebAddressAndLicences) {
  AboutFacts facts;
  facts.version = ProgramVersion();
  EXPECT_FALSE(facts.version.empty());
  std::string text = AboutText(facts);
  EXPECT_EQ(text.rfind("Vorrandale " + facts.version + "\n", 0), 0u) << text;
  EXPECT_NE(text.find("Web server: off"), std::string::npos);
  EXPECT_EQ(text.find("http://"), std::string::npos);
  for (const char* licence :
       {"libjpeg-turbo", "IJG licence", "BSD", "zlib licence", "Independent JPEG Group", "mingw-w64",
        "GCC Runtime Library Exception", "FFmpeg", "GNU LGPL", "Mbed TLS", "Apache License 2.0"})
    EXPECT_NE(text.find(licence), std::string::npos) << licence;

  facts.webEnabled = true;
  facts.webPort = 8080;
  text = AboutText(facts);
  EXPECT_NE(text.find("not listening, port 8080"), std::string::npos) << text;
  EXPECT_EQ(text.find("http://"), std::string::npos);

  facts.webListening = true;
  facts.hostName = "DESK";
  text = AboutText(facts);
  EXPECT_NE(text.find("http://localhost:8080/"), std::string::npos) << text;
  EXPECT_NE(text.find("http://DESK:8080/"), std::string::npos) << text;
  facts.addresses = {"192.168.0.20", "10.0.0.5"};
  text = AboutText(facts);
  for (const char* address : {"http://DESK:8080/", "http://192.168.0.20:8080/", "http://10.0.0.5:8080/"})
    EXPECT_NE(text.find(address), std::string::npos) << address << " in " << text;
  facts.addresses.clear();
  facts.hostName.clear();
  text = AboutText(facts);
  EXPECT_NE(text.find("http://localhost:8080/"), std::string::npos);
  EXPECT_EQ(text.find("http://:"), std::string::npos);

  facts.hostName = "DESK";
  facts.webFingerprint = "AB:CD";
  text = AboutText(facts);
  for (const char* shown : {"https://localhost:8080/", "https://DESK:8080/", "AB:CD"})
    EXPECT_NE(text.find(shown), std::string::npos) << shown << " in " << text;
  EXPECT_EQ(text.find("http://"), std::string::npos) << text;
  facts.webLocalOnly = true;
  text = AboutText(facts);
  EXPECT_EQ(text.find("DESK:"), std::string::npos) << text;
}

}  // namespace
