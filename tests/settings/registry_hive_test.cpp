#include "settings/registry_hive.h"

#include <gtest/gtest.h>

#include "store_test_support.h"

namespace plexaro {
namespace {

using testing::ReadRaw;
using testing::TempDir;
using testing::WriteRaw;

TEST(RegistryHive, KeepsValuesApartByKeyAndName) {
  TempDir dir;
  RegistryHive hive(RegistryHivePath(dir.Path("a.ini")));
  EXPECT_EQ(hive.path(), dir.Path("registry.hive"));
  Text value = "unchanged";
  EXPECT_FALSE(hive.Read("k", "n", value));
  EXPECT_EQ(value, "unchanged");
  std::string odd("line\r\nbreak\n3 4 5\n\0end", 22);
  EXPECT_TRUE(hive.Write("Zavrin\\a\\s", "n", odd));
  EXPECT_TRUE(hive.Write("Zavrin\\a\\s", "m", ""));
  EXPECT_TRUE(hive.Write("Zavrin\\a\\t", "n", "other"));
  EXPECT_TRUE(hive.Read("Zavrin\\a\\s", "n", value));
  EXPECT_EQ(value, odd);
  EXPECT_TRUE(hive.Read("ZAVRIN\\A\\S", "N", value));  // ASCII letters fold, as in the registry
  EXPECT_EQ(value, odd);
  EXPECT_TRUE(hive.Read("Zavrin\\a\\s", "m", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(hive.Write("zavrin\\a\\s", "N", "replaced"));
  EXPECT_TRUE(hive.Read("Zavrin\\a\\s", "n", value));
  EXPECT_EQ(value, "replaced");
  EXPECT_TRUE(hive.Read("Zavrin\\a\\t", "n", value));
  EXPECT_EQ(value, "other");
}

TEST(RegistryHive, DamagedHiveKeepsTheRecordsBeforeTheDamage) {
  TempDir dir;
  RegistryHive hive(dir.Path("registry.hive"));
  EXPECT_TRUE(hive.Write("k", "a", "1"));
  EXPECT_TRUE(hive.Write("k", "b", "2"));
  std::string intact = ReadRaw(hive.path());
  for (std::string damaged : {intact.substr(0, intact.size() - 3), intact + "99 1 1\nab",
                              intact + "x y z\n", std::string("garbage")}) {
    WriteRaw(hive.path(), damaged);
    Text value;
    EXPECT_EQ(hive.Read("k", "a", value), damaged != "garbage") << damaged;
  }
  EXPECT_TRUE(hive.Write("k", "c", "3"));  // writing over garbage starts a fresh hive
  Text value;
  EXPECT_TRUE(hive.Read("k", "c", value));
  EXPECT_EQ(RegistryHivePath("plain.ini"), "registry.hive");
}

}  // namespace
}  // namespace plexaro
