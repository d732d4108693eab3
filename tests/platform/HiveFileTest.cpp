// Hive files as other programs and users leave them: links, devices, FIFOs,
// huge files, damaged files, files changed behind the reader's back and the
// leftovers of a writer that was killed.
#include <windows.h>
#include <win32/HiveFile.h>

#include "RegistryTestSupport.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using testing_support::ScopedRegistry;

const std::string kSettings = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Settings]\n";

// What RegOpenKeyA or RegCreateKeyA answers; the key, if any, is closed again.
LONG keyStatus(LSTATUS(WINAPI* call)(HKEY, LPCSTR, PHKEY), HKEY root, const char* path)
{
    HKEY key = nullptr;
    const LONG status = call(root, path, &key);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    return status;
}

LONG openStatus(HKEY root, const char* path)
{
    return keyStatus(RegOpenKeyA, root, path);
}

LONG createStatus(HKEY root, const char* path)
{
    return keyStatus(RegCreateKeyA, root, path);
}

LONG setDword(HKEY root, const char* path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyA(root, path, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return status;
}

std::optional<DWORD> dword(HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size()))
        ++count;
    return count;
}

std::set<std::string> filesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.insert(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

struct ChildRun
{
    bool finished = false;
    std::string results;
    std::string errors; // what it wrote on stderr
};

std::string drain(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// Runs `work` in a child process that is killed after `seconds` (and, outside
// the sanitizer builds, cannot take more than 2 GB): a read that blocks or never
// ends fails the test instead of hanging it or the machine.
ChildRun runInChild(unsigned seconds, const std::function<std::string()>& work)
{
    int results[2];
    int errors[2];
    if (::pipe(results) != 0 || ::pipe(errors) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errors[1], STDERR_FILENO);
        ::alarm(seconds);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) // both reserve far more address space
        const rlimit memory{2UL << 30, 2UL << 30};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        try {
            const std::string text = work();
            ssize_t ignored = ::write(results[1], text.data(), text.size());
            (void)ignored;
        } catch (...) {
            ::_exit(2); // never back into the test runner in the child
        }
        ::_exit(0);
    }
    ::close(results[1]);
    ::close(errors[1]);
    ChildRun run;
    run.results = drain(results[0]);
    run.errors = drain(errors[0]);
    int status = 0;
    run.finished = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

TEST(HiveFile, AHiveThatIsNoRegularFileFailsAtOnceAndIsLeftAlone)
{
    const struct
    {
        const char* what;
        std::function<bool(const std::string& hive)> make;
        mode_t kind;
    } cases[] = {
        {"link to /dev/zero", [](const std::string& hive) { return ::symlink("/dev/zero", hive.c_str()) == 0; },
         S_IFLNK},
        {"FIFO", [](const std::string& hive) { return ::mkfifo(hive.c_str(), 0644) == 0; }, S_IFIFO},
        {"folder", [](const std::string& hive) { return ::mkdir(hive.c_str(), 0755) == 0; }, S_IFDIR},
    };
    for (const auto& c : cases) {
        ScopedRegistry registry;
        ASSERT_TRUE(c.make(registry.machineHive())) << c.what;
        const ChildRun run = runInChild(10, [] {
            return std::to_string(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM")) + " " +
                   std::to_string(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM")) + " " +
                   std::to_string(createStatus(HKEY_LOCAL_MACHINE, "SYSTEM\\New"));
        });
        EXPECT_TRUE(run.finished) << c.what << ": the reader blocked, ran out of memory or crashed";
        if (!run.finished)
            continue;
        EXPECT_EQ(run.results, "1012 1012 1012") << c.what; // ERROR_CANTREAD
        EXPECT_EQ(occurrences(run.errors, registry.machineHive() + " is not a regular file"), 1u)
            << c.what << ": " << run.errors;
        struct stat info = {};
        ASSERT_EQ(::lstat(registry.machineHive().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, c.kind) << c.what;
        EXPECT_EQ(filesIn(registry.folder), std::set<std::string>{"HKEY_LOCAL_MACHINE.reg"}) << c.what;
    }
}

TEST(HiveFile, AHiveLargerThanTheLimitFailsClearlyAndIsNeverWritten)
{
    ScopedRegistry registry;
    const int fd = ::open(registry.machineHive().c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, win32::HiveFile::kMaxSize + 1), 0); // sparse: no disk taken
    ::close(fd);

    testing::internal::CaptureStderr();
    EXPECT_EQ(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM"), ERROR_FILE_TOO_LARGE);
    EXPECT_EQ(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM"), ERROR_FILE_TOO_LARGE);
    EXPECT_EQ(createStatus(HKEY_LOCAL_MACHINE, "SYSTEM"), ERROR_FILE_TOO_LARGE);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(errors, registry.machineHive() + " is larger than 16 MiB"), 1u) << errors;
    struct stat info = {};
    ASSERT_EQ(::stat(registry.machineHive().c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(info.st_size), win32::HiveFile::kMaxSize + 1);

    // A change that would take the hive past the limit is refused before it is written.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_SUCCESS);
    const std::vector<BYTE> blob(win32::HiveFile::kMaxSize / 3 + 1, 0x5A); // three characters a byte
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())),
              ERROR_FILE_TOO_LARGE);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("would grow beyond 16 MiB"), std::string::npos);
    RegCloseKey(key);
    EXPECT_EQ(ScopedRegistry::read(registry.userHive()),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n");
}

TEST(HiveFile, ReadsAFileAgainOnlyWhenItChangedWithoutMissingAChange)
{
    ScopedRegistry registry;
    const std::string hive = registry.machineHive();
    ScopedRegistry::write(hive, kSettings + "\"Depth\"=dword:00000001\n");

    // Another program rewrites the file in place within the same clock step as a
    // reading, keeping its size and putting its modification time back.
    auto rewriteBehindTheReader = [&](const char* valueLine) {
        struct stat before = {};
        ASSERT_EQ(::stat(hive.c_str(), &before), 0);
        ScopedRegistry::write(hive, kSettings + valueLine);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, hive.c_str(), times, 0), 0);
    };
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth"), 1u);
    rewriteBehindTheReader("\"Depth\"=dword:00000002\n");
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth"), 2u);

    // Once the file has settled, readings use what was parsed...
    auto parsedSince = [](std::uint64_t count) { return win32::HiveFile::parseCount() - count; };
    for (int attempt = 0; attempt < 60; ++attempt) {
        const auto count = win32::HiveFile::parseCount();
        dword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth");
        if (parsedSince(count) == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto count = win32::HiveFile::parseCount();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth"), 2u);
    EXPECT_EQ(parsedSince(count), 0u);

    // ...until it changes, however quietly.
    rewriteBehindTheReader("\"Depth\"=dword:00000003\n");
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth"), 3u);
}

TEST(HiveFile, ChangesGoThroughSymbolicLinksToTheirTarget)
{
    const struct
    {
        const char* what;
        const char* link;    // what the hive's link points to
        const char* chained; // a second link in the folder, or nothing
        bool targetExists;
    } cases[] = {
        {"absolute link", nullptr, nullptr, true},
        {"relative link", "elsewhere/real.reg", nullptr, true},
        {"chain of links", "second.reg", "elsewhere/real.reg", true},
        {"dangling link", "elsewhere/real.reg", nullptr, false},
    };
    for (const auto& c : cases) {
        ScopedRegistry registry;
        const std::string target = registry.folder + "/elsewhere/real.reg";
        ASSERT_EQ(::mkdir((registry.folder + "/elsewhere").c_str(), 0755), 0);
        if (c.targetExists)
            ScopedRegistry::write(target, "Windows Registry Editor Version 5.00\n; kept\n[HKEY_CURRENT_USER\\Old]\n");
        ASSERT_EQ(::symlink(c.link ? c.link : target.c_str(), registry.userHive().c_str()), 0);
        if (c.chained) {
            ASSERT_EQ(::symlink(c.chained, (registry.folder + "/second.reg").c_str()), 0);
        }

        EXPECT_EQ(setDword(HKEY_CURRENT_USER, "Software\\Ostrel", "Depth", 7), ERROR_SUCCESS) << c.what;
        struct stat info = {};
        ASSERT_EQ(::lstat(registry.userHive().c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << c.what << ": the link was replaced";
        const std::string written = ScopedRegistry::read(target);
        EXPECT_NE(written.find("[HKEY_CURRENT_USER\\Software\\Ostrel]\n\"Depth\"=dword:00000007\n"), std::string::npos)
            << c.what << ": " << written;
        EXPECT_EQ(written.find("; kept\n[HKEY_CURRENT_USER\\Old]") != std::string::npos, c.targetExists) << c.what;
        EXPECT_EQ(dword(HKEY_CURRENT_USER, "Software\\Ostrel", "Depth"), 7u) << c.what;
    }
}

TEST(HiveFile, TheNextWriterClearsTheTemporaryFileOfAKilledOne)
{
    ScopedRegistry registry;
    ASSERT_EQ(setDword(HKEY_CURRENT_USER, "Software", "Kept", 1), ERROR_SUCCESS);
    const std::string lookAlike = "HKEY_CURRENT_USER.reg.backup";
    ScopedRegistry::write(registry.folder + "/" + lookAlike, "someone's own copy");

    // The writer dies half way through its temporary file, as if killed.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit fileSize{4096, 4096};
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, SIG_DFL);
        const std::vector<BYTE> blob(64 * 1024, 0xA5);
        HKEY key = nullptr;
        RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key);
        RegSetValueExA(key, "Blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    const std::set<std::string> expected = {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock", lookAlike};
    ASSERT_GT(filesIn(registry.folder).size(), expected.size()) << "the killed writer left nothing behind";

    ASSERT_EQ(setDword(HKEY_CURRENT_USER, "Software", "Next", 2), ERROR_SUCCESS);
    EXPECT_EQ(filesIn(registry.folder), expected);
    EXPECT_EQ(dword(HKEY_CURRENT_USER, "Software", "Kept"), 1u);
    EXPECT_EQ(ScopedRegistry::read(registry.folder + "/" + lookAlike), "someone's own copy");
}

TEST(HiveFile, ADamagedHiveIsReportedOnceWithItsPathAndLine)
{
    ScopedRegistry registry;
    ScopedRegistry::write(registry.machineHive(), kSettings + "\"Depth\"=dword:not a number\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(openStatus(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", "Depth", 1), ERROR_BADDB);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(errors, registry.machineHive()), 1u) << errors;
    EXPECT_NE(errors.find("is damaged (line 4: "), std::string::npos) << errors;
}

} // namespace
