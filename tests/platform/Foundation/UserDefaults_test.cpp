// User defaults: values by key, stored atomically and read back by a fresh process's view.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "Foundation/NSUserDefaults.h"
#include "support/ManualClockFixture.h"

namespace {

class UserDefaultsTest : public ManualClockFixture {
protected:
    std::string storePath() const { return (tempDirectory() / "store" / "defaults.json").string(); }
};

TEST_F(UserDefaultsTest, SynchronizedValuesReloadInAFreshStore)
{
    NSUserDefaults::setStorePath(storePath());
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject_forKey("a1b2c3", "deviceToken");
    defaults->setObject_forKey(nlohmann::json{{"pins", {"x", "y"}}}, "tls");
    defaults->setObject_forKey(42, "count");
    ASSERT_TRUE(defaults->synchronize()) << "creates the missing folder";

    NSUserDefaults::setStorePath(storePath()); // drops the loaded store
    auto reloaded = NSUserDefaults::standardUserDefaults();
    ASSERT_NE(reloaded, defaults);
    EXPECT_EQ(reloaded->stringForKey("deviceToken"), std::optional<std::string>("a1b2c3"));
    EXPECT_EQ(reloaded->objectForKey("tls")["pins"][1], "y");
    EXPECT_EQ(reloaded->integerForKey("count"), 42);
    EXPECT_TRUE(reloaded->objectForKey("missing").is_null());
    EXPECT_EQ(reloaded->stringForKey("missing"), std::nullopt);
    EXPECT_EQ(reloaded->stringForKey("tls"), std::nullopt) << "an object is no text";
}

TEST_F(UserDefaultsTest, RemovingAndSettingNullBothDeleteTheKey)
{
    NSUserDefaults::setStorePath(storePath());
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject_forKey("x", "a");
    defaults->setObject_forKey("y", "b");
    defaults->removeObjectForKey("a");
    defaults->setObject_forKey(nullptr, "b");
    ASSERT_TRUE(defaults->synchronize());
    NSUserDefaults::setStorePath(storePath());
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->objectForKey("a").is_null());
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->objectForKey("b").is_null());
}

TEST_F(UserDefaultsTest, WritesLeaveNoTemporaryFilesAndUnsynchronizedChangesStayInMemory)
{
    NSUserDefaults::setStorePath(storePath());
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject_forKey("first", "deviceToken");
    ASSERT_TRUE(defaults->synchronize());
    defaults->setObject_forKey("second", "deviceToken");
    EXPECT_EQ(defaults->stringForKey("deviceToken"), std::optional<std::string>("second"));

    int files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(std::filesystem::path(storePath()).parent_path()))
        ++files;
    EXPECT_EQ(files, 1) << "only defaults.json: the temporary file was renamed over it";

    NSUserDefaults::setStorePath(storePath());
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->stringForKey("deviceToken"), std::optional<std::string>("first"));
}

TEST_F(UserDefaultsTest, CorruptOrNonObjectFileStartsEmptyAndIsRepairedOnNextWrite)
{
    for (const char* content : {"{not json", "[1,2,3]", ""}) {
        std::filesystem::create_directories(std::filesystem::path(storePath()).parent_path());
        std::ofstream(storePath()) << content;
        NSUserDefaults::setStorePath(storePath());
        auto defaults = NSUserDefaults::standardUserDefaults();
        EXPECT_TRUE(defaults->objectForKey("deviceToken").is_null()) << content;
        defaults->setObject_forKey("t", "deviceToken");
        ASSERT_TRUE(defaults->synchronize());
        NSUserDefaults::setStorePath(storePath());
        EXPECT_EQ(NSUserDefaults::standardUserDefaults()->stringForKey("deviceToken"), std::optional<std::string>("t")) << content;
    }
}

TEST_F(UserDefaultsTest, SynchronizeReportsFailureWhenTheFolderCannotBeMade)
{
    auto blocker = tempDirectory() / "file";
    std::ofstream(blocker) << "x";
    NSUserDefaults::setStorePath((blocker / "defaults.json").string());
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject_forKey("t", "deviceToken");
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_EQ(defaults->stringForKey("deviceToken"), std::optional<std::string>("t"));
}

} // namespace
