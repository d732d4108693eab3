// Mix and state files below the panel: the byte form and what damaged or
// hostile data gives, the one-step replacement on disk, and where the state
// file lives and what happens to one that cannot be read.
#include "DiskFile.h"
#include "MixFile.h"
#include "MixFileFormat.h"
#include "StateFile.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <chrono>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <climits>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::string_literals;

std::string countBytes(std::uint32_t count)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((count >> shift) & 0xFF));
    return bytes;
}

// Each text followed by a zero byte, as keys and values are stored.
std::string zeroEnded(std::initializer_list<const char*> texts)
{
    std::string bytes;
    for (const char* text : texts)
        bytes.append(text).push_back('\0');
    return bytes;
}

mixfile::ReadResult parse(const std::string& bytes)
{
    return mixfile::parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// "CPRP" and the zlib stream of `body`, as JUCE's compressing stream writes it.
std::string compressed(const std::string& body)
{
    juce::MemoryOutputStream out;
    {
        juce::GZIPCompressorOutputStream zlib(out, 9);
        zlib.write(body.data(), body.size());
    }
    return "CPRP" + std::string(static_cast<const char*>(out.getData()), out.getDataSize());
}

TEST(MixFileFormatTest, WritesPairsInOrderAndReadsThemBackInEitherForm)
{
    MixProperties properties;
    properties.setBool("Mute0", true);
    properties.setReal("Fader L0", 228.0);
    properties.setInt("OutSwitch", 5);
    properties.setBool("Mute0", false); // replaced in place
    properties.set("TRKlabel0", "Gitarre \xC3\x9C");

    const std::string expected =
        "PROP" + countBytes(4) +
        zeroEnded({"Mute0", "0", "Fader L0", "228", "OutSwitch", "5", "TRKlabel0", "Gitarre \xC3\x9C"});
    ASSERT_EQ(mixfile::serialise(properties), expected);

    for (const auto& form : {expected, compressed(expected.substr(4))}) {
        const auto read = parse(form);
        EXPECT_EQ(read.outcome, mixfile::Outcome::Complete) << form.substr(0, 4);
        EXPECT_EQ(read.properties, properties) << form.substr(0, 4);
    }
}

TEST(MixFileFormatTest, DamagedAndHostileDataGiveWhatCouldBeRead)
{
    const std::string big(mixfile::maxContentBytes + 10, 'x');
    const auto prop = [](std::uint32_t count, const std::string& pairs) { return "PROP" + countBytes(count) + pairs; };
    struct Case
    {
        const char* what;
        std::string bytes;
        mixfile::Outcome outcome;
        std::vector<std::string> pairs; // key=value
    };
    const Case cases[] = {
        {"empty", "", mixfile::Outcome::NotRecognised, {}},
        {"shorter than the magic", "PRO", mixfile::Outcome::NotRecognised, {}},
        {"another magic", "JUNK" + countBytes(1) + zeroEnded({"a", "1"}), mixfile::Outcome::NotRecognised, {}},
        {"no count", "PROP\x02", mixfile::Outcome::Damaged, {}},
        {"count beyond the pairs", prop(3, zeroEnded({"a", "1", "b", "2"})), mixfile::Outcome::Damaged, {"a=1", "b=2"}},
        {"largest count", prop(0xFFFFFFFFu, zeroEnded({"a", "1"})), mixfile::Outcome::Damaged, {"a=1"}},
        {"no terminator", prop(2, zeroEnded({"a", "1", "b"}) + "2"), mixfile::Outcome::Damaged, {"a=1"}},
        {"data after the pairs", prop(1, zeroEnded({"a", "1", "b"})), mixfile::Outcome::Complete, {"a=1"}},
        {"a key twice: the later value", prop(2, zeroEnded({"a", "1", "a", "2"})), mixfile::Outcome::Complete, {"a=2"}},
        {"not UTF-8, kept as it is",
         prop(1, zeroEnded({"\xFF\xFE", "\x80"})),
         mixfile::Outcome::Complete,
         {"\xFF\xFE=\x80"}},
        {"larger than read", prop(2, zeroEnded({"a", "1", "b"}) + big), mixfile::Outcome::Damaged, {"a=1"}},
        {"compressed garbage", "CPRP" + big.substr(0, 100), mixfile::Outcome::Damaged, {}},
        {"compressed, cut off",
         compressed(countBytes(1) + zeroEnded({"a", "1"})).substr(0, 14),
         mixfile::Outcome::Damaged,
         {}},
        {"inflates beyond the limit",
         compressed(countBytes(2) + zeroEnded({"a", "1", "b"}) + big + big),
         mixfile::Outcome::Damaged,
         {"a=1"}},
    };
    for (const auto& c : cases) {
        const auto read = parse(c.bytes);
        EXPECT_EQ(read.outcome, c.outcome) << c.what;
        std::vector<std::string> pairs;
        for (const auto& [key, value] : read.properties.pairs())
            pairs.push_back(key + "=" + value);
        EXPECT_EQ(pairs, c.pairs) << c.what;
    }

    // Every cut of a whole file reads as damaged, with the pairs before the cut.
    const std::string whole = prop(2, zeroEnded({"a", "1", "b", "2"}));
    for (std::size_t size = 8; size < whole.size(); ++size) {
        const auto read = parse(whole.substr(0, size));
        EXPECT_EQ(read.outcome, mixfile::Outcome::Damaged) << size;
        EXPECT_EQ(read.properties.pairs().size(), size < 12 ? 0u : 1u) << size;
    }
}

TEST(MixFileFormatTest, NumbersReadAsTheirLeadingIntegerSaturatedAndWriteShort)
{
    const std::pair<const char*, int> read[] = {{"253.9", 253},
                                                {"-5", -5},
                                                {"x1", 0},
                                                {"", 0},
                                                {"1e3", 1},
                                                {"99999999999999999999", INT_MAX},
                                                {"-2147483648", INT_MIN},
                                                {"-99999999999", INT_MIN}};
    for (const auto& [text, value] : read)
        EXPECT_EQ(MixProperties::leadingInteger(text), value) << text;
    const std::pair<double, const char*> written[] = {{228.0, "228"}, {127.5, "127.5"}, {1.0 / 3.0, "0.333333333"}};
    for (const auto& [value, text] : written)
        EXPECT_EQ(MixProperties::formatReal(value), text) << value;
}

// About 1 MiB of pairs with distinct keys, as a hostile file may hold.
std::string manyKeys(std::size_t bytes)
{
    std::string body;
    std::uint32_t count = 0;
    for (; body.size() + 16 < bytes; ++count) {
        body += "k" + std::to_string(count);
        body.push_back('\0');
        body += "1";
        body.push_back('\0');
    }
    return "PROP" + countBytes(count) + body;
}

TEST(MixFileFormatTest, AFileOfManyKeysIsReadQuicklyUpToThePairLimit)
{
    const auto bytes = manyKeys(mixfile::maxContentBytes);
    const auto started = std::chrono::steady_clock::now();
    const auto read = parse(bytes);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::milliseconds(200)) << "a key is found through an index, not a scan";
    EXPECT_EQ(read.outcome, mixfile::Outcome::Damaged) << "more pairs than a mixer file holds";
    ASSERT_EQ(read.properties.size(), mixfile::maxPairs) << "the pairs before the limit";
    EXPECT_EQ(read.properties.pairs().front(), MixProperties::Pair("k0", "1"));
    EXPECT_EQ(*read.properties.find("k4095"), "1");
    EXPECT_EQ(read.properties.find("k4096"), nullptr);
}

TEST(MixFileFormatTest, WhatIsWrittenIsAlwaysReadWholeKeepingTheKeysThatMatter)
{
    const auto mine = [](const std::string& key) { return key.rfind("mine", 0) == 0; };
    struct Case
    {
        const char* what;
        std::function<void(MixProperties&)> fill;
        std::size_t pairsLeft;
    };
    const Case cases[] = {
        {"fits already",
         [](MixProperties& p) {
             p.set("other", "x");
             p.set("mine0", "1");
         },
         2},
        {"too many pairs, the own ones last",
         [](MixProperties& p) {
             for (std::size_t i = 0; i < mixfile::maxPairs + 100; ++i)
                 p.set("other" + std::to_string(i), "x");
             for (int i = 0; i < 43; ++i)
                 p.set("mine" + std::to_string(i), "1");
         },
         mixfile::maxPairs},
        {"too many bytes in one value",
         [](MixProperties& p) {
             p.set("mine0", "1");
             p.set("huge", std::string(mixfile::maxContentBytes - 20, 'v'));
             p.set("mine1", "0");
             p.set("small", "s");
         },
         2},
    };
    for (const auto& c : cases) {
        MixProperties properties;
        c.fill(properties);
        MixProperties kept = properties;
        EXPECT_TRUE(mixfile::fitForReading(kept, mine)) << c.what;
        EXPECT_EQ(kept.size(), c.pairsLeft) << c.what;
        for (const auto& [key, value] : properties.pairs())
            if (mine(key)) {
                EXPECT_NE(kept.find(key), nullptr) << c.what << ": " << key;
            }
        const auto bytes = mixfile::serialise(kept);
        EXPECT_EQ(mixfile::serialisedSize(kept), bytes.size()) << c.what;
        const auto again = parse(bytes);
        EXPECT_EQ(again.outcome, mixfile::Outcome::Complete) << c.what;
        EXPECT_TRUE(again.properties == kept) << c.what;
    }
}

// A folder for one test's files.
class DiskFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.createDirectory()); }
    void TearDown() override { folder.deleteRecursively(); }

    std::string path(const char* name) const { return folder.getChildFile(name).getFullPathName().toStdString(); }
    static std::string contentOf(const std::string& file)
    {
        juce::MemoryBlock data;
        juce::File(file).loadFileAsData(data);
        return std::string(static_cast<const char*>(data.getData()), data.getSize());
    }

    juce::StringArray names() const
    {
        juce::StringArray list;
        // Hidden files too: temporary files are.
        for (const auto& entry : juce::RangedDirectoryIterator(folder, false, "*", juce::File::findFilesAndDirectories))
            list.add(entry.getFile().getFileName());
        list.sort(false);
        return list;
    }

    juce::File folder = juce::File::createTempFile("mixfile");
};

TEST_F(DiskFileTest, ReplacesInOneStepKeepingPermissionsAndLinks)
{
    const auto target = path("live.pmx");
    ASSERT_TRUE(juce::File(target).replaceWithText("old"));
    ::chmod(target.c_str(), 0600);
    ASSERT_TRUE(diskfile::replace(target, "new"));
    EXPECT_EQ(contentOf(target), "new");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(names(), juce::StringArray("live.pmx")) << "no temporary file left";

    const auto link = path("link.pmx");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(diskfile::replace(link, "through the link"));
    EXPECT_TRUE(juce::File(link).isSymbolicLink());
    EXPECT_EQ(contentOf(target), "through the link");
}

TEST_F(DiskFileTest, AFailedReplacementLeavesTheTargetAndNoTemporaryFile)
{
    struct Case
    {
        const char* what;
        const char* target;
        std::function<void()> arrange, undo;
    };
    rlimit earlier{};
    ::getrlimit(RLIMIT_FSIZE, &earlier);
    const Case cases[] = {
        {"a short write (file size limit)", "short.pmx",
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit small{64, RLIM_INFINITY};
             ::setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] {
             ::setrlimit(RLIMIT_FSIZE, &earlier);
             std::signal(SIGXFSZ, SIG_DFL);
         }},
        {"a rename that fails (a folder in the way)", "folder.pmx",
         [this] { folder.getChildFile("folder.pmx").getChildFile("inside").create(); }, [] {}},
    };
    for (const auto& c : cases) {
        const auto target = path(c.target);
        c.arrange();
        if (!juce::File(target).exists()) {
            ASSERT_TRUE(juce::File(target).replaceWithText("old"));
        }
        const auto before = names();
        const bool replaced = diskfile::replace(target, std::string(1000, 'n'));
        c.undo();
        EXPECT_FALSE(replaced) << c.what;
        EXPECT_EQ(names(), before) << c.what;
        if (juce::File(target).existsAsFile()) {
            EXPECT_EQ(contentOf(target), "old") << c.what;
        }
    }
}

// The writer runs the mixer's own save, as the mixer does when it ends.
TEST_F(DiskFileTest, KillingAWriterLeavesTheOldOrTheNewFileWhole)
{
    const auto target = path("TessaryMixer.poo");
    MixProperties first, second;
    for (int i = 0; i < 43; ++i) {
        first.setInt("key" + std::to_string(i), i);
        second.setInt("key" + std::to_string(i), 1000 + i);
    }
    MixFile initial(target);
    initial.properties = first;
    ASSERT_TRUE(initial.save());

    std::mt19937 random(8);
    const int rounds = 150;
    int sawSecond = 0;
    for (int round = 0; round < rounds; ++round) {
        // The writer says when its first save is done, so that every kill comes
        // while it is writing, however slow a start (a sanitizer build's) is.
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            MixFile file(target);
            for (unsigned i = 0;; ++i) {
                file.properties = i % 2 == 0 ? second : first;
                file.save();
                if (i == 0) {
                    const char done = 1;
                    [[maybe_unused]] const auto written = ::write(started[1], &done, 1);
                }
            }
        }
        ::close(started[1]);
        char done = 0;
        ASSERT_EQ(::read(started[0], &done, 1), 1) << "round " << round;
        ::close(started[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);

        const auto read = MixFile::open(target);
        ASSERT_EQ(read.getState(), MixFile::State::Read) << "round " << round;
        ASSERT_TRUE(read.properties == first || read.properties == second) << "round " << round;
        sawSecond += read.properties == second;
    }
    EXPECT_GT(sawSecond, 0) << "the kills came while the writer was writing";

    MixFile last(target);
    last.properties = first;
    ASSERT_TRUE(last.save());
    EXPECT_EQ(names(), juce::StringArray("TessaryMixer.poo")) << "what killed writers left behind is cleared";
}

// Runs `check` in a child process as the user "nobody"; returns its report.
std::string asAnotherUser(const std::function<std::string()>& check)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string report = "could not become nobody";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            report = check();
        [[maybe_unused]] const auto written = ::write(pipeEnds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    ::waitpid(child, nullptr, 0);
    return report;
}

// Runs `act` in a child process in which renameat2 fails with `error`, as on
// an older kernel (ENOSYS) or under a seccomp filter (EPERM); its result code.
int withRenameat2Failing(int error, const std::function<bool()>& act)
{
    const pid_t child = ::fork();
    if (child == 0) {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<unsigned>(error) & SECCOMP_RET_DATA)),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            ::_exit(2);
        ::_exit(act() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(DiskFileTest, AFileIsKeptAsideWhereTheSystemCannotRenameWithoutReplacing)
{
    const std::pair<int, const char*> refusals[] = {
        {ENOSYS, "no such call (an older kernel)"},
        {EPERM, "refused by a sandbox"},
        {EINVAL, "a file system without the flag"},
        {EOPNOTSUPP, "not supported"},
    };
    const auto target = path("TessaryMixer.poo");
    for (const auto& [error, what] : refusals) {
        ASSERT_TRUE(juce::File(target).replaceWithText("unread"));
        ASSERT_TRUE(juce::File(target + ".unreadable").replaceWithText("earlier"));
        const int result = withRenameat2Failing(
            error, [&] { return diskfile::keepAside(target, "unreadable") == target + ".unreadable-2"; });
        EXPECT_EQ(result, 0) << what;
        EXPECT_FALSE(juce::File(target).exists()) << what;
        EXPECT_EQ(contentOf(target + ".unreadable"), "earlier") << what << ": never over an earlier one";
        EXPECT_EQ(contentOf(target + ".unreadable-2"), "unread") << what;
        juce::File(target + ".unreadable-2").deleteFile();
    }
}

TEST_F(DiskFileTest, AProgramInAFolderTheUserCannotWriteKeepsItsStateInTheUsersFolder)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    // A system-wide install: the program's folder belongs to root; a state file
    // shipped beside the program is read until the user has one of their own.
    ::chmod(folder.getFullPathName().toRawUTF8(), 0755);
    MixFile shipped(path("TessaryMixer.poo"));
    shipped.properties.setInt("OutSwitch", 3);
    ASSERT_TRUE(shipped.save());
    ::chmod(path("TessaryMixer.poo").c_str(), 0644);
    const auto home = folder.getChildFile("home");
    ASSERT_TRUE(home.createDirectory());
    ASSERT_EQ(::chown(home.getFullPathName().toRawUTF8(), 65534, 65534), 0);
    const std::string config = home.getFullPathName().toStdString() + "/.config";

    const auto report = asAnotherUser([&] {
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HOME", home.getFullPathName().toRawUTF8(), 1);
        std::string seen;
        StateFile first(path("TessaryMixer"));
        seen += "read " + first.getLocation().readFrom + " OutSwitch " +
                std::to_string(first.properties().getInt("OutSwitch", -1)) + "; ";
        first.properties().setInt("OutSwitch", 1);
        seen += first.save() ? "saved; " : "not saved; ";
        StateFile second(path("TessaryMixer"));
        seen += "read " + second.getLocation().readFrom + " OutSwitch " +
                std::to_string(second.properties().getInt("OutSwitch", -1)) + "; ";

        ::unsetenv("HOME");
        StateFile nowhere(path("TessaryMixer"));
        seen += nowhere.save() ? "kept without a home" : "not kept without a home";
        return seen;
    });
    EXPECT_EQ(report, "read " + path("TessaryMixer.poo") + " OutSwitch 3; saved; read " + config +
                          "/TessaryMixer.poo OutSwitch 1; not kept without a home");
    EXPECT_EQ(MixFile::open(path("TessaryMixer.poo")).properties.getInt("OutSwitch", -1), 3)
        << "the shipped file is left as it was";
}

TEST_F(DiskFileTest, AnInstalledProgramKeepsItsStateInTheUsersFolderEvenWhereItCouldWriteBesideItself)
{
    // Run by root from /usr/bin, or by a user from ~/.local/bin: the folder can
    // be written, yet nothing may be added to an install at run time.
    const std::string config = path("config");
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    struct Case
    {
        const char* programFolder;
        bool besideProgram;
    };
    for (const Case& c :
         {Case{"build/mixer", true}, Case{"usr/bin", false}, Case{"local/sbin", false}, Case{"binaries", true}}) {
        SCOPED_TRACE(c.programFolder);
        const auto programFolder = folder.getChildFile(c.programFolder);
        ASSERT_TRUE(programFolder.createDirectory());
        const std::string program = programFolder.getChildFile("TessaryMixer").getFullPathName().toStdString();
        StateFile state(program);
        state.properties().setInt("OutSwitch", 2);
        ASSERT_TRUE(state.save());
        const std::string expected = c.besideProgram ? StateFile::besideProgram(program) : config + "/TessaryMixer.poo";
        EXPECT_EQ(state.getLocation().writeTo, expected);
        EXPECT_EQ(programFolder.getChildFile("TessaryMixer.poo").existsAsFile(), c.besideProgram);
        EXPECT_EQ(MixFile::open(expected).properties.getInt("OutSwitch", -1), 2);
        juce::File(config + "/TessaryMixer.poo").deleteFile();
    }
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
