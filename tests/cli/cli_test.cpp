// End-to-end runs of plexaro-cli against the fake search engine.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <regex>
#include <set>

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

}  // namespace
}  // namespace plexaro
