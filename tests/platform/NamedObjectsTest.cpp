// Named mutexes and file mappings between processes: held only by live
// processes, released (abandoned) when their holder dies, and kept to the
// user's own object folder.
#include <win32/ProcessLock.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

#ifdef TESSARY_HOLDER_PATH
const char* const holderProgram = TESSARY_HOLDER_PATH;
#else
const char* const holderProgram = nullptr;
#endif

// named-object-holder in a process of its own, talked to through its stdin and stdout.
class Holder
{
public:
    explicit Holder(std::vector<std::string> words)
    {
        words.insert(words.begin(), holderProgram);
        std::vector<char*> argv;
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid, holderProgram, &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        toChild = in[1];
        fromChild = out[0];
    }

    ~Holder()
    {
        kill();
        if (fromChild >= 0)
            ::close(fromChild);
    }

    // The first line the holder wrote ("held", or what "read" found).
    std::string line()
    {
        std::string text;
        char c;
        while (::read(fromChild, &c, 1) == 1 && c != '\n')
            text += c;
        return text;
    }

    // Lets the holder give its object back and end.
    void release()
    {
        if (toChild >= 0)
            ::close(toChild);
        toChild = -1;
        reap();
    }

    void kill()
    {
        if (pid > 0)
            ::kill(pid, SIGKILL);
        release();
    }

private:
    void reap()
    {
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
        pid = -1;
    }

    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
};

class NamedObjectsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (holderProgram == nullptr)
            GTEST_SKIP() << "named-object-holder is not built";
        char pattern[] = "/tmp/named-objects-XXXXXX";
        runtime = ::mkdtemp(pattern);
        if (const char* previous = std::getenv("XDG_RUNTIME_DIR"))
            savedRuntime = previous;
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

    void TearDown() override
    {
        if (savedRuntime.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
        std::filesystem::remove_all(runtime);
    }

    // The mapping's word as another process reads it, or "none".
    std::string wordSeenElsewhere(const char* name)
    {
        Holder reader({"read", name});
        return reader.line();
    }

    std::string runtime;
    std::string savedRuntime;
};

TEST_F(NamedObjectsTest, AMutexHeldElsewhereIsFreedByReleaseOrAbandonedByDeath)
{
    for (const bool dies : {false, true}) {
        SCOPED_TRACE(dies ? "holder killed" : "holder releases");
        Holder holder({"mutex", "Start Lock"});
        ASSERT_EQ(holder.line(), "held");
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Start Lock");
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT) << "held by the other process";

        if (dies)
            holder.kill();
        else
            holder.release();
        EXPECT_EQ(WaitForSingleObject(mutex, 2000), dies ? WAIT_ABANDONED : WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "released properly this time";
        EXPECT_TRUE(ReleaseMutex(mutex));
        CloseHandle(mutex);
    }
}

TEST_F(NamedObjectsTest, AMutexBelongsToOneThreadAtATimeAndCountsItsWaits)
{
    HANDLE first = CreateMutexA(nullptr, FALSE, "Tessary App");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE again = CreateMutexA(nullptr, FALSE, "Tessary App");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE unnamed = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_NE(unnamed, nullptr);

    for (HANDLE mutex : {first, unnamed}) {
        ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        ASSERT_EQ(WaitForSingleObject(mutex == first ? again : mutex, 0), WAIT_OBJECT_0) << "the same mutex";
        DWORD otherWait = 0;
        BOOL otherRelease = TRUE;
        std::thread([&] {
            otherWait = WaitForSingleObject(mutex, 30);
            otherRelease = ReleaseMutex(mutex);
        }).join();
        EXPECT_EQ(otherWait, WAIT_TIMEOUT);
        EXPECT_FALSE(otherRelease) << "only the owner releases";
        EXPECT_TRUE(ReleaseMutex(mutex));
        std::thread([&] { otherWait = WaitForSingleObject(mutex, 30); }).join();
        EXPECT_EQ(otherWait, WAIT_TIMEOUT) << "taken twice, released once";
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_FALSE(ReleaseMutex(mutex));
        EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    }
    for (HANDLE handle : {first, again, unnamed})
        CloseHandle(handle);
}

TEST_F(NamedObjectsTest, AMappingExistsForOthersOnlyWhileALiveProcessHoldsIt)
{
    for (const bool dies : {false, true}) {
        SCOPED_TRACE(dies ? "holder killed" : "holder ends");
        Holder holder({"mapping", "CInstanceChecker_MMF_Tessary App", "0x40012340"});
        ASSERT_EQ(holder.line(), "held");
        EXPECT_EQ(wordSeenElsewhere("CInstanceChecker_MMF_Tessary App"), "0x40012340");
        HANDLE seen = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "CInstanceChecker_MMF_Tessary App");
        EXPECT_NE(seen, nullptr);
        CloseHandle(seen);

        if (dies)
            holder.kill();
        else
            holder.release();
        EXPECT_EQ(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "CInstanceChecker_MMF_Tessary App"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

        // What is left of it is a new mapping for the next creator, cleared.
        HANDLE fresh =
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "CInstanceChecker_MMF_Tessary App");
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        auto* word = static_cast<DWORD*>(MapViewOfFile(fresh, FILE_MAP_ALL_ACCESS, 0, 0, 4));
        ASSERT_NE(word, nullptr);
        EXPECT_EQ(*word, 0u);
        UnmapViewOfFile(word);
        CloseHandle(fresh);
    }
}

TEST_F(NamedObjectsTest, HandlesAndViewsOfAMappingShareOneWordAndKeepItAlive)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "Shared Word");
    ASSERT_NE(mapping, nullptr);
    HANDLE second = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "Shared Word");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    auto* written = static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    auto* read = static_cast<DWORD*>(MapViewOfFile(second, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    ASSERT_NE(written, nullptr);
    ASSERT_NE(read, nullptr);
    *written = 0x40000104;
    EXPECT_EQ(*read, 0x40000104u);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 8), nullptr) << "larger than the mapping";

    CloseHandle(mapping);
    CloseHandle(second);
    UnmapViewOfFile(written);
    EXPECT_EQ(wordSeenElsewhere("Shared Word"), "0x40000104") << "a view keeps the mapping";
    EXPECT_TRUE(UnmapViewOfFile(read));
    EXPECT_FALSE(UnmapViewOfFile(read));
    EXPECT_EQ(wordSeenElsewhere("Shared Word"), "none");
}

TEST_F(NamedObjectsTest, NamedObjectsStayInAFolderOfTheUsersOwn)
{
    EXPECT_EQ(win32::fileNameFor("Tessary App"), "Tessary%20App");
    EXPECT_EQ(win32::fileNameFor("../../etc/passwd"), "%2E.%2F..%2Fetc%2Fpasswd");
    HANDLE odd = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "../escape");
    ASSERT_NE(odd, nullptr);
    EXPECT_TRUE(std::filesystem::exists(runtime + "/tessary/mapping-%2E.%2Fescape"));
    CloseHandle(odd);

    ::chmod((runtime + "/tessary").c_str(), 0777);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "Tessary App"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, "Tessary App"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "Shared Word"), nullptr);
}

} // namespace
