#include "web/web_files_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/scoped_handle_win.h"

namespace {

void WriteFileText(const std::string& path, const std::string& text) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.IsValid()) << path;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  ASSERT_EQ(written, text.size());
}

class WebFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    root = std::string(temp) + "vr_web_test_" + std::to_string(GetCurrentProcessId());
    web = root + "\\Webserver\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(web.c_str(), nullptr);
    CreateDirectoryA((web + "sub").c_str(), nullptr);
    WriteFileText(web + "index.html", "<HTML>home</HTML>");
    WriteFileText(web + "sub\\page.html", "sub page");
    WriteFileText(root + "\\secret.txt", "outside the folder");
  }
  void TearDown() override {
    for (const char* name :
         {"\\Webserver\\index.html", "\\Webserver\\sub\\page.html", "\\Webserver\\big.html", "\\secret.txt"}) {
      DeleteFileA((root + name).c_str());
    }
    RemoveDirectoryA((web + "sub").c_str());
    RemoveDirectoryA(web.c_str());
    RemoveDirectoryA(root.c_str());
  }

  std::string root;
  std::string web;
};

TEST(ProgramWebFolder, IsWebserverBesideTheProgram) {
  char program[1024] = {};
  GetModuleFileNameA(nullptr, program, sizeof program - 1);
  std::string expected(program);
  expected = expected.substr(0, expected.find_last_of('\\')) + "\\Webserver\\";
  EXPECT_EQ(ProgramWebFolder(), expected);
}

TEST_F(WebFolderTest, ReadsFilesAndSubfolders) {
  WebFolderFiles files(web);
  std::string content;
  ASSERT_TRUE(files.ReadFile("index.html", content));
  EXPECT_EQ(content, "<HTML>home</HTML>");
  ASSERT_TRUE(files.ReadFile("sub/page.html", content));
  EXPECT_EQ(content, "sub page");
  EXPECT_FALSE(files.ReadFile("missing.html", content));
  EXPECT_FALSE(files.ReadFile("sub", content));  // a folder is no page
}

TEST_F(WebFolderTest, FileHeldOpenElsewhereIsUnreadable) {
  ScopedKernelHandle holder(CreateFileA((web + "index.html").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.IsValid());
  WebFolderFiles files(web);
  std::string content;
  EXPECT_FALSE(files.ReadFile("index.html", content));
  holder.Reset();
  EXPECT_TRUE(files.ReadFile("index.html", content));
}

TEST_F(WebFolderTest, KeptFileIsServedFreshAfterAnEditAndNotAtAllOnceDeleted) {
  WebFolderFiles files(web);
  std::string content;
  ASSERT_TRUE(files.ReadFile("index.html", content));
  ASSERT_EQ(content, "<HTML>home</HTML>");
  WriteFileText(web + "index.html", "<HTML>away</HTML>");  // same size
  ASSERT_TRUE(files.ReadFile("index.html", content));
  EXPECT_EQ(content, "<HTML>away</HTML>");
  WriteFileText(web + "index.html", "<HTML>elsewhere</HTML>");
  ASSERT_TRUE(files.ReadFile("index.html", content));
  EXPECT_EQ(content, "<HTML>elsewhere</HTML>");

  // Unchanged, the kept copy is whole even while another process holds the
  // file; changed under that process's hands, it is unreadable as before.
  ScopedKernelHandle writer(CreateFileA((web + "index.html").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer.IsValid());
  ASSERT_TRUE(files.ReadFile("index.html", content));
  EXPECT_EQ(content, "<HTML>elsewhere</HTML>");
  SetFilePointer(writer.Get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.Get(), "more", 4, &written, nullptr));
  EXPECT_FALSE(files.ReadFile("index.html", content));
  writer.Reset();
  ASSERT_TRUE(files.ReadFile("index.html", content));
  EXPECT_EQ(content, "<HTML>elsewhere</HTML>more");

  ASSERT_TRUE(DeleteFileA((web + "index.html").c_str()));
  EXPECT_FALSE(files.ReadFile("index.html", content));
}

TEST_F(WebFolderTest, ServesALargeFileWholeAndNothingOutsideTheFolder) {
  std::string big;
  for (int i = 0; big.size() < 50000; ++i) big += "<p>line " + std::to_string(i) + "</p>\r\n";
  WriteFileText(web + "big.html", big);
  WebFolderFiles files(web);
  WebSettings settings = DefaultWebSettings();
  settings.requireLogin = 0;
  WebRequestContext context;
  context.settings = &settings;
  context.files = &files;

  auto answer = [&](const std::string& path) {
    WebResponse response = ProcessWebRequest("GET /" + path + " HTTP/1.0\r\n\r\n", context);
    EXPECT_EQ(response.outcome, WebRequestOutcome::Respond);
    return std::string(response.bytes.begin(), response.bytes.end());
  };
  std::string header =
      "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: " + std::to_string(big.size()) +
      "\r\n\r\n";
  EXPECT_EQ(answer("big.html"), header + big);
  for (const char* path : {"../secret.txt", "..\\secret.txt", "sub/../../secret.txt", ".. /secret.txt"}) {
    EXPECT_NE(answer(path).find("404 Not Found"), std::string::npos) << path;
  }
  std::string absolute = root + "\\secret.txt";
  EXPECT_NE(answer(absolute).find("404 Not Found"), std::string::npos);
  EXPECT_NE(answer("sub/page.html").find("\r\n\r\nsub page"), std::string::npos);
}

}  // namespace
