// Which folders may hold this user's sockets and locks.
#include <win32/PrivateFolder.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include <win32/ProcessLock.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using State = win32::FolderCheck::State;

class PrivateFolderTest : public testing::Test
{
protected:
    std::string root;

    void SetUp() override
    {
        std::string pattern = "/tmp/tessary-folder-XXXXXX";
        root = ::mkdtemp(pattern.data());
    }

    void TearDown() override
    {
        ::chmod(root.c_str(), 0700);
        std::filesystem::remove_all(root);
    }

    std::string made(const std::string& name, mode_t mode)
    {
        const std::string path = root + "/" + name;
        ::mkdir(path.c_str(), 0700);
        ::chmod(path.c_str(), mode);
        return path;
    }
};

TEST_F(PrivateFolderTest, OnlyTheUsersOwnUnwritableFolderPasses)
{
    struct Case
    {
        const char* name;
        std::function<std::string()> folder;
        State expected;
        const char* reason;
    };
    const Case cases[] = {
        {"private", [&] { return made("private", 0700); }, State::Private, ""},
        {"readable by others", [&] { return made("readable", 0755); }, State::Private, ""},
        {"missing", [&] { return root + "/missing"; }, State::Missing, "does not exist"},
        {"writable by all", [&] { return made("open", 0777); }, State::Unsafe, "can be written by other users"},
        {"writable by the group", [&] { return made("group", 0770); }, State::Unsafe, "can be written"},
        {"sticky but writable by all", [&] { return made("sticky", 01777); }, State::Unsafe, "can be written"},
        {"a symbolic link to a private folder",
         [&] {
             const std::string link = root + "/link";
             ::symlink(made("target", 0700).c_str(), link.c_str());
             return link;
         },
         State::Unsafe, "symbolic link"},
        {"a file",
         [&] {
             std::ofstream(root + "/file") << "x";
             return root + "/file";
         },
         State::Unsafe, "not a folder"},
        {"inside a folder others can write",
         [&] {
             made("shared", 0777);
             return made("shared/mine", 0700);
         },
         State::Unsafe, "shared can be written by other users"},
    };
    for (const Case& c : cases) {
        const win32::FolderCheck check = win32::checkPrivateFolder(c.folder());
        EXPECT_EQ(check.state, c.expected) << c.name << ": " << check.reason;
        EXPECT_NE(check.reason.find(c.reason), std::string::npos) << c.name << ": " << check.reason;
    }
}

TEST_F(PrivateFolderTest, AFolderOfAnotherUserIsRefused)
{
    const std::string folder = made("theirs", 0700);
    if (::chown(folder.c_str(), ::geteuid() + 4242, ::getegid()) != 0)
        GTEST_SKIP() << "only root can give a folder away";
    const win32::FolderCheck check = win32::checkPrivateFolder(folder);
    EXPECT_EQ(check.state, State::Unsafe);
    EXPECT_NE(check.reason.find("belongs to user " + std::to_string(::geteuid() + 4242)), std::string::npos)
        << check.reason;
    EXPECT_EQ(win32::makePrivateFolder(folder).state, State::Unsafe) << "never taken over";
}

TEST_F(PrivateFolderTest, MakingCreatesEveryMissingLevelPrivately)
{
    const std::string folder = root + "/a/b/c";
    EXPECT_TRUE(win32::makePrivateFolder(folder).isPrivate());
    for (const std::string& level : {root + "/a", root + "/a/b", folder}) {
        struct stat info
        {
        };
        ASSERT_EQ(::stat(level.c_str(), &info), 0) << level;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << level;
    }
    EXPECT_EQ(win32::makePrivateFolder(made("open", 0777)).state, State::Unsafe) << "an existing folder is not mended";
}

TEST(ParentFolder, OfAbsoluteAndRelativePaths)
{
    EXPECT_EQ(win32::parentFolder("/run/user/1000/tessary/driver.sock"), "/run/user/1000/tessary");
    EXPECT_EQ(win32::parentFolder("/driver.sock"), "/");
    EXPECT_EQ(win32::parentFolder("/a/b/"), "/a");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(win32::parentFolder("driver.sock"), std::string(cwd));
}

// Without $XDG_RUNTIME_DIR, another local user who makes /tmp/tessary-<uid>
// first must not keep the user's daemon and programs from running: their
// objects go to the user's own cache folder then, and a folder that is not
// the user's own is still never used.
TEST_F(PrivateFolderTest, ObjectFolderFallsBackWhenTheTemporaryNameIsTaken)
{
    struct SavedVariable
    {
        const char* name;
        std::optional<std::string> value;
        explicit SavedVariable(const char* variable) : name(variable)
        {
            if (const char* set = std::getenv(variable))
                value = set;
        }
        ~SavedVariable()
        {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    } runtime("XDG_RUNTIME_DIR"), cacheHome("XDG_CACHE_HOME"), home("HOME");
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string temporary = made("tmp", 01777);
    const std::string shared = temporary + "/tessary-" + std::to_string(::getuid());
    const std::string cache = root + "/cache";
    const std::string fallback = cache + "/tessary/objects";
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);

    const std::function<void()> leftThere[] = {
        [] {},                                                                 // nothing there: made now
        [&] { ::mkdir(shared.c_str(), 0700); },                                // the user's own
        [&] { ::mkdir(shared.c_str(), 0777), ::chmod(shared.c_str(), 0777); }, // others may write
        [&] { ::symlink(made("elsewhere", 0700).c_str(), shared.c_str()); },   // a link to a folder
        [&] { std::ofstream(shared) << "not a folder"; },
    };
    const std::string expected[] = {shared, shared, fallback, fallback, fallback};
    for (std::size_t i = 0; i < std::size(leftThere); ++i) {
        SCOPED_TRACE(i);
        std::filesystem::remove_all(shared);
        leftThere[i]();
        const std::string folder = win32::userObjectFolder(temporary);
        EXPECT_EQ(folder, expected[i]);
        EXPECT_TRUE(win32::makePrivateFolder(folder).isPrivate()) << folder;
    }

    // Without a cache folder of its own, the one in the user's home.
    ::unsetenv("XDG_CACHE_HOME");
    ::setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(win32::userObjectFolder(temporary), root + "/.cache/tessary/objects");
    std::filesystem::remove_all(shared);
}

} // namespace
