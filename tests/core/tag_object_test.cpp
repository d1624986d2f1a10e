#include "core/tag_object.h"

#include <gtest/gtest.h>

namespace plexaro {
namespace {

TEST(FindElement, Smoke) {
  TagObject tags;
  EXPECT_EQ(
      tags.FindElement("<DIV Class=\"results\"><div>a</div></DIV>", "div", {"class"}, {"results"}),
      "<DIV Class=\"results\"><div>a</div></DIV>");
}

}  // namespace
}  // namespace plexaro
