// End-to-end runs of plexaro-cli against the fake search engine.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <httplib.h>
#include <cstdio>
#include <regex>
#include <set>
#include <thread>

#include "support/temp_dir.h"
#include "tools/fake_search_engine.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

struct CliRun {
  int status = -1;
  std::vector<std::string> lines;
};

CliRun RunCli(const std::string& arguments) {
  CliRun run;
  std::string command = std::string(PLEXARO_CLI_PATH) + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[8192];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line(buffer);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    run.lines.push_back(line);
  }
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Field(const std::string& json, const std::string& key) {
  std::smatch match;
  std::regex pattern("\"" + key + "\":\"([^\"]*)\"");
  return std::regex_search(json, match, pattern) ? match[1].str() : "";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = engine_.Start();
    ASSERT_GT(port_, 0);
  }

  // Two configurations of two keywords each, polling every second.
  void WriteConfiguration() {
    std::string host = "127.0.0.1:" + std::to_string(port_);
    std::string ini =
        "[搜索主机]\r\n网页=" + host + "\r\n新闻=" + host + "\r\n微信=" + host +
        "\r\n[监测列表]\r\n数量=2\r\n"
        "(1)启用=真\r\n(1)数据源=0\r\n(1)关键词=alpha|beta\r\n(1)返回数=10\r\n(1)刷新秒=1\r\n"
        "(2)启用=真\r\n(2)数据源=1\r\n(2)关键词=gamma|中国\r\n(2)返回数=10\r\n(2)刷新秒=1";
    ASSERT_TRUE(WriteWholeFile(dir_.path() + gbk("Zavrin·Plexaro.ini"), Utf8ToGbk(ini)));
  }

  std::string Monitor(int cycles) {
    return "monitor --json --cycles " + std::to_string(cycles) + " --dir " + GbkToUtf8(dir_.path());
  }

  FakeSearchEngine engine_;
  int port_ = 0;
  TempDir dir_;
};

TEST_F(CliTest, MonitorReportsEveryHitOnceAndRemembersThemAcrossRuns) {
  WriteConfiguration();
  CliRun first = RunCli(Monitor(2));
  ASSERT_EQ(first.status, 0);
  // Two polls of four workers, two new hits each time.
  std::set<std::string> addresses;
  for (const std::string& line : first.lines) {
    EXPECT_TRUE(addresses.insert(Field(line, "address")).second) << "reported twice: " << line;
  }
  EXPECT_EQ(addresses.size(), 16u);
  EXPECT_NE(first.lines[0].find("\"source\":\""), std::string::npos);

  // The refresh list of a keyword starts with its newest hit.
  ByteSet txt;
  ASSERT_TRUE(ReadWholeFile(dir_.path() + gbk("刷新列表/[新闻源]中国.txt"), txt));
  std::vector<Text> lines = SplitText(txt, "\r\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("/item/4.html"), Text::npos) << lines[0];
  EXPECT_NE(lines[3].find("/item/1.html"), Text::npos) << lines[3];

  CliRun second = RunCli(Monitor(1));
  ASSERT_EQ(second.status, 0);
  EXPECT_EQ(second.lines.size(), 8u);
  for (const std::string& line : second.lines) {
    EXPECT_EQ(addresses.count(Field(line, "address")), 0u) << "old hit again: " << line;
  }
}

TEST_F(CliTest, MonitorRefusesAMissingDirectory) {
  CliRun run = RunCli("monitor --dir " + GbkToUtf8(dir_.path()) + "missing");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(RunCli("monitor --cycles zero").status, 2);
  EXPECT_EQ(RunCli("monitor --bogus").status, 2);
}

TEST_F(CliTest, ParsePrintsTheHitsOfASavedPage) {
  CliRun run = RunCli("parse " PLEXARO_FIXTURES "/sogou/web-2021-results.html --source 1");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 12u);
  EXPECT_EQ(Field(run.lines[1], "title"), "jay_搜狗翻译");
  EXPECT_EQ(Field(run.lines[1], "address"), "http://www.sogou.com");
  EXPECT_EQ(RunCli("parse missing.html --source 0").status, 1);
  EXPECT_EQ(RunCli("parse x.html --source 7").status, 2);
  EXPECT_EQ(RunCli("parse x.html").status, 2);
}

TEST_F(CliTest, ExtractPrintsTheBodyOfASavedPage) {
  ASSERT_TRUE(WriteWholeFile(dir_.path() + "page.html",
                             Utf8ToGbk("<html><head><meta charset=gb2312></head><body>"
                                       "<div class=\"post\">第一段</div><div class=\"post\">第二段"
                                       "</div></body></html>")));
  std::string file = GbkToUtf8(dir_.path()) + "page.html";
  CliRun first =
      RunCli("extract " + file + " --mode marker-first --markers '<div class=\"post\">'");
  ASSERT_EQ(first.status, 0);
  ASSERT_EQ(first.lines.size(), 1u);
  EXPECT_NE(first.lines[0].find("第一段"), std::string::npos);
  EXPECT_EQ(first.lines[0].find("第二段"), std::string::npos);
  CliRun all = RunCli("extract " + file + " --mode marker-all --markers '<div class=\"post\">'");
  std::string joined;
  for (const std::string& line : all.lines) joined += line;
  EXPECT_NE(joined.find("第二段"), std::string::npos);
  EXPECT_EQ(RunCli("extract " + file + " --mode fast").status, 2);
  EXPECT_EQ(RunCli("extract " + file).status, 2);
}

TEST_F(CliTest, ReadCachesThePageAndServesItWithoutTheNetwork) {
  httplib::Server server;
  std::string article =
      "<html><head><title>t</title></head><body><div><a href=\"/\">home</a>"
      "</div><div>" +
      std::string(300, 'z') + " 正文</div></body></html>";
  server.Get("/article", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(article, "text/html; charset=utf-8");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  std::string url = "http://127.0.0.1:" + std::to_string(port) + "/article";
  std::string read = "read " + url + " --dir " + GbkToUtf8(dir_.path());
  CliRun first = RunCli(read);
  server.stop();
  thread.join();
  ASSERT_EQ(first.status, 0);
  ASSERT_FALSE(first.lines.empty());
  EXPECT_NE(first.lines[0].find(std::string(300, 'z') + " 正文"), std::string::npos);
  CliRun second = RunCli(read);  // the server is gone: only the cache can answer
  EXPECT_EQ(second.lines, first.lines);
}

}  // namespace
}  // namespace plexaro
