#include "web/address.h"

#include <gtest/gtest.h>

#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(HostOfAddress, TakesHostBetweenSlashesAndPath) {
  EXPECT_EQ(HostOfAddress("http://www.Example.com/a/b?c"), "www.Example.com");
  EXPECT_EQ(HostOfAddress("https://host:8080"), "host:8080");
  EXPECT_EQ(HostOfAddress("example.com/path"), "example.com");
  EXPECT_EQ(HostOfAddress("//cdn.net/x"), "cdn.net");
  EXPECT_EQ(HostOfAddress(""), "");
  EXPECT_EQ(HostOfAddress("http://"), "");
}

TEST(HostOfAddress, WithSchemePutsSchemeInFront) {
  EXPECT_EQ(HostOfAddress("http://news.sina.com.cn/x", false, true), "http://news.sina.com.cn");
  EXPECT_EQ(HostOfAddress("example.com/path", false, true), "example.com");
  EXPECT_EQ(HostOfAddress("//cdn.net/x", false, true), "cdn.net");
}

TEST(HostOfAddress, MainDomain) {
  struct Case {
    const char* address;
    const char* expected;
  } cases[] = {
      {"http://a.b.Example.COM/x", "example.com"},
      {"http://bbs.Sina.com.cn/", "sina.com.cn"},  // compound suffix: three labels
      {"http://a.b.sina.com.cn/", "sina.com.cn"},
      {"http://WWW.Example.com/", "WWW.Example.com"},  // "www." + main domain stays whole
      {"http://www.sina.com.cn/", "www.sina.com.cn"},
      {"http://Example.com/", "example.com"},
      {"http://localhost/", "localhost"},
      {"http://x.name.org.uk/", "name.org.uk"},
      {"http://info.example.com/", "example.com"},  // "info" is no suffix here
      {"http:///path", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HostOfAddress(c.address, true), c.expected) << c.address;
  EXPECT_EQ(HostOfAddress("https://a.b.qq.com/p", true, true), "https://qq.com");
}

TEST(UrlEncode, Utf8ModeAsUsedForSearchWords) {
  EXPECT_EQ(UrlEncode(gbk("中") + " a.b", true), "%E4%B8%AD%20a.b");
  EXPECT_EQ(UrlEncode("x_y-z~", true), "x_y-z%7E");
  EXPECT_EQ(UrlEncode(Text("a\0b", 3), true), "ab");  // NUL bytes are dropped
  EXPECT_EQ(UrlEncode("", true), "");
}

TEST(UrlEncode, GbkModeAndFlags) {
  EXPECT_EQ(UrlEncode(gbk("中") + "&=", false), "%D6%D0%26%3D");
  EXPECT_EQ(UrlEncode("a&b=c", false, true), "a&b=c");
  EXPECT_EQ(UrlEncode("a.1", false, false, true), "%61%2E%31");
  EXPECT_EQ(UrlEncode("a=.", false, true, true), "%61=%2E");
  EXPECT_EQ(UrlEncode(Text("\0", 1), false), "%00");
}

TEST(UrlEncode, PumpsEventsOnLongInputOnly) {
  int pumps = 0;
  SetThreadPumpHook([&] { ++pumps; });
  UrlEncode("short", true);
  EXPECT_EQ(pumps, 0);
  Text big(1024 * 1024, 'a');
  EXPECT_EQ(UrlEncode(big, false), big);
  EXPECT_GT(pumps, 0);
  EXPECT_LT(pumps, 1000);
  SetThreadPumpHook(nullptr);
}

TEST(ParentPath, TakesTextBeforeLastSeparator) {
  EXPECT_EQ(ParentPath("http://a.com/b/c.html", '/'), "http://a.com/b");
  EXPECT_EQ(ParentPath("C:\\dir\\file.txt", '\\'), "C:\\dir");
  EXPECT_EQ(ParentPath("file.txt", '/'), "");
  EXPECT_EQ(ParentPath("/", '/'), "");
  // "\x95\\" is one character: its second byte is no separator.
  EXPECT_EQ(ParentPath("a\\b\x95\\", '\\'), "a");
}

}  // namespace
}  // namespace plexaro

namespace plexaro {
namespace {

TEST(AbsoluteAddress, JoinsEachFormOfLinkToTheBase) {
  struct Case {
    const char* base;
    const char* link;
    const char* expected;
  } cases[] = {
      {"http://h.com/a/b.html", "x.html", "http://h.com/a/x.html"},
      {"http://h.com/a/b.html", "../x", "http://h.com/a/../x"},
      {"http://h.com/a/b.html", "/x", "http://h.com/x"},
      {"https://h.com:8443/a/b", "/x", "https://h.com:8443/x"},
      {"http://h.com/a/b.html", "https://o.com/y", "https://o.com/y"},
      {"http://h.com/a/b.html", "ftp://o.com/y", "ftp://o.com/y"},
      {"https://h.com/a/b.html", "//cdn.net/y", "https://cdn.net/y"},
      {"h.com/a/b.html", "//cdn.net/y", "http://cdn.net/y"},
      {"http://h.com/a/b.html?p=1#t", "?q=2", "http://h.com/a/b.html?q=2"},
      {"http://h.com/a/b.html?p=1#t", "#f", "http://h.com/a/b.html?p=1#f"},
      {"http://h.com/a/b.html", "", "http://h.com/a/b.html"},
      // A bare host is its own directory; a "/" in the query is no directory.
      {"http://h.com", "x", "http://h.com/x"},
      {"http://h.com", "/x", "http://h.com/x"},
      {"http://h.com/s.php?u=http://o.com/p", "x", "http://h.com/x"},
      {"http://h.com/s.php?u=/p", "/x", "http://h.com/x"},
      {"h.com/a/b", "x", "h.com/a/x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AbsoluteAddress(c.base, c.link), c.expected) << c.base << " + " << c.link;
  }
}

TEST(AddressDirectory, EndsInSlashAndIgnoresQueryAndFragment) {
  EXPECT_EQ(AddressDirectory("http://h.com/a/b.html"), "http://h.com/a/");
  EXPECT_EQ(AddressDirectory("http://h.com/a/"), "http://h.com/a/");
  EXPECT_EQ(AddressDirectory("http://h.com"), "http://h.com/");
  EXPECT_EQ(AddressDirectory("http://h.com?x=/y#z/w"), "http://h.com/");
  EXPECT_EQ(AddressDirectory(""), "/");
}

}  // namespace
}  // namespace plexaro
