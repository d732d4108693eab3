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

MixProperties pairsOf(std::initializer_list<MixProperties::Pair> pairs)
{
    MixProperties properties;
    for (const auto& [key, value] : pairs)
        properties.set(key, value);
    return properties;
}

TEST(MixFileFormatTest, WritesPairsInOrderAndReadsThemBackInEitherForm)
{
    MixProperties properties;
    properties.setBool("Mute0", true);
    properties.setReal("Fader L0", 228.0);
    properties.setInt("OutSwitch", 5);
    properties.setBool("Mute0", false); // replaced in place
    properties.set("TRKlabel0", "Gitarre \xC3\x9C");

    const std::string expected = "PROP"s + countBytes(4) +
                                 "Mute0\0"
                                 "0\0"
                                 "Fader L0\0"
                                 "228\0"
                                 "OutSwitch\0"
                                 "5\0"
                                 "TRKlabel0\0"
                                 "Gitarre \xC3\x9C\0"s;
    ASSERT_EQ(mixfile::serialise(properties), expected);

    for (const auto& form : {expected, compressed(expected.substr(4))}) {
        const auto read = parse(form);
        EXPECT_EQ(read.outcome, mixfile::Outcome::Complete) << form.substr(0, 4);
        EXPECT_EQ(read.properties, properties) << form.substr(0, 4);
    }
}

TEST(MixFileFormatTest, DamagedAndHostileDataGiveWhatCouldBeRead)
{
    const std::string twoPairs = "a\0"
                                 "1\0"
                                 "b\0"
                                 "2\0"s;
    const std::string big(mixfile::maxContentBytes + 10, 'x');
    struct Case
    {
        const char* what;
        std::string bytes;
        mixfile::Outcome outcome;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"empty", "", mixfile::Outcome::NotRecognised, {}},
        {"shorter than the magic", "PRO", mixfile::Outcome::NotRecognised, {}},
        {"another magic", "JUNK" + countBytes(2) + twoPairs, mixfile::Outcome::NotRecognised, {}},
        {"no count", "PROP\x02", mixfile::Outcome::Damaged, {}},
        {"count beyond the pairs", "PROP" + countBytes(3) + twoPairs, mixfile::Outcome::Damaged, {"a", "b"}},
        {"largest count", "PROP" + countBytes(0xFFFFFFFFu) + twoPairs, mixfile::Outcome::Damaged, {"a", "b"}},
        {"no terminator",
         "PROP" + countBytes(2) +
             "a\0"
             "1\0"
             "b\0"
             "2"s,
         mixfile::Outcome::Damaged,
         {"a"}},
        {"data after the pairs", "PROP" + countBytes(1) + twoPairs, mixfile::Outcome::Complete, {"a"}},
        {"a key twice",
         "PROP" + countBytes(2) +
             "a\0"
             "1\0"
             "a\0"
             "2\0"s,
         mixfile::Outcome::Complete,
         {"a"}},
        {"not UTF-8",
         "PROP" + countBytes(1) +
             "\xFF\xFE\0"
             "\x80\0"s,
         mixfile::Outcome::Complete,
         {"\xFF\xFE"}},
        {"larger than read",
         "PROP" + countBytes(2) +
             "a\0"
             "1\0"
             "b\0"s +
             big,
         mixfile::Outcome::Damaged,
         {"a"}},
        {"compressed garbage", "CPRP" + big.substr(0, 100), mixfile::Outcome::Damaged, {}},
        {"compressed, cut off", compressed(countBytes(2) + twoPairs).substr(0, 14), mixfile::Outcome::Damaged, {}},
        {"inflates beyond the limit",
         compressed(countBytes(2) +
                    "a\0"
                    "1\0"
                    "b\0"s +
                    big + big),
         mixfile::Outcome::Damaged,
         {"a"}},
    };
    for (const auto& c : cases) {
        const auto read = parse(c.bytes);
        EXPECT_EQ(read.outcome, c.outcome) << c.what;
        std::vector<std::string> keys;
        for (const auto& pair : read.properties.pairs())
            keys.push_back(pair.first);
        EXPECT_EQ(keys, c.keys) << c.what;
    }
    EXPECT_EQ(*parse("PROP" + countBytes(1) +
                     "\xFF\xFE\0"
                     "\x80\0"s)
                   .properties.find("\xFF\xFE"),
              "\x80")
        << "bytes are kept as they are";
    EXPECT_EQ(*parse("PROP" + countBytes(2) +
                     "a\0"
                     "1\0"
                     "a\0"
                     "2\0"s)
                   .properties.find("a"),
              "2")
        << "the later value wins";

    // Every cut of a whole file reads as damaged, with the pairs before the cut.
    const std::string whole = "PROP" + countBytes(2) + twoPairs;
    for (std::size_t size = 8; size < whole.size(); ++size) {
        const auto read = parse(whole.substr(0, size));
        EXPECT_EQ(read.outcome, mixfile::Outcome::Damaged) << size;
        EXPECT_EQ(read.properties.pairs().size(), size < 12 ? 0u : 1u) << size;
    }
}

TEST(MixFileFormatTest, NumbersReadAsTheirLeadingIntegerAndWriteShort)
{
    const std::pair<const char*, int> read[] = {
        {"228", 228},
        {"253.9", 253},
        {"127.5", 127},
        {"-5", -5},
        {"+7", 7},
        {" 12", 12},
        {"", 0},
        {"x1", 0},
        {"1e3", 1},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
    };
    for (const auto& [text, value] : read)
        EXPECT_EQ(MixProperties::leadingInteger(text), value) << text;

    const std::pair<double, const char*> written[] = {
        {228.0, "228"}, {0.0, "0"}, {127.5, "127.5"}, {1.0 / 3.0, "0.333333333"}, {510.0, "510"}, {1e10, "1e+10"},
    };
    for (const auto& [value, text] : written)
        EXPECT_EQ(MixProperties::formatReal(value), text) << value;

    EXPECT_TRUE(pairsOf({{"Link0", "2"}}).getBool("Link0", false));
    EXPECT_FALSE(pairsOf({{"Link0", "0.9"}}).getBool("Link0", true));
    EXPECT_EQ(pairsOf({}).getInt("Fader L0", 228), 228) << "missing keys give the fallback";
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
    // Writes exactly `bytes` (JUCE's own calls delete a file given no bytes).
    static void writeBytes(const std::string& file, const std::string& bytes)
    {
        juce::FileOutputStream out{juce::File(file)};
        ASSERT_TRUE(out.openedOk());
        out.setPosition(0);
        out.truncate();
        out.write(bytes.data(), bytes.size());
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

TEST_F(DiskFileTest, KeepsFilesAsideWithoutReplacingEarlierOnes)
{
    const auto state = path("TessaryMixer.poo");
    for (const char* content : {"first", "second", "third"}) {
        ASSERT_TRUE(juce::File(state).replaceWithText(content));
        EXPECT_FALSE(diskfile::keepAside(state, "unreadable").empty());
    }
    EXPECT_EQ(names(), juce::StringArray({"TessaryMixer.poo.unreadable", "TessaryMixer.poo.unreadable-2",
                                          "TessaryMixer.poo.unreadable-3"}));
    EXPECT_EQ(contentOf(path("TessaryMixer.poo.unreadable")), "first");
    EXPECT_EQ(contentOf(path("TessaryMixer.poo.unreadable-3")), "third");
    EXPECT_TRUE(diskfile::keepAside(state, "unreadable").empty()) << "nothing to move";
}

TEST_F(DiskFileTest, ReadsOnlyRegularFilesAndNeverWaitsOnOne)
{
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const std::pair<const char*, diskfile::Contents::State> cases[] = {
        {"fifo", diskfile::Contents::State::Unreadable},
        {"missing", diskfile::Contents::State::Missing},
        {".", diskfile::Contents::State::Unreadable},
    };
    for (const auto& [name, state] : cases)
        EXPECT_EQ(diskfile::read(path(name), 100).state, state) << name;

    ASSERT_TRUE(juce::File(path("long")).replaceWithText(std::string(500, 'x')));
    EXPECT_EQ(diskfile::read(path("long"), 100).bytes.size(), 101u) << "one byte past the limit tells it is longer";
}

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
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            MixFile file(target);
            for (unsigned i = 0;; ++i) {
                file.properties = i % 2 == 0 ? second : first;
                file.save();
            }
        }
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

// The state file of a program in a scratch folder.
class StateFileTest : public DiskFileTest
{
protected:
    std::string program() const { return path("TessaryMixer"); }
};

TEST_F(StateFileTest, LivesBesideTheProgramWithTheExtensionPoo)
{
    const std::pair<const char*, const char*> names[] = {
        {"/opt/tessary/TessaryMixer", "/opt/tessary/TessaryMixer.poo"},
        {"/opt/tessary/TessaryMixer.exe", "/opt/tessary/TessaryMixer.poo"},
        {"/opt/tes.sary/TessaryMixer", "/opt/tes.sary/TessaryMixer.poo"},
    };
    for (const auto& [programPath, statePath] : names)
        EXPECT_EQ(StateFile::besideProgram(programPath), statePath);

    const auto location = StateFile::locate(program());
    EXPECT_EQ(location.readFrom, path("TessaryMixer.poo"));
    EXPECT_EQ(location.writeTo, path("TessaryMixer.poo"));
}

TEST_F(StateFileTest, AFileThatCannotBeReadIsKeptAsideBeforeItIsReplaced)
{
    const std::string truncated = "PROP"s + countBytes(43) +
                                  "Mute0\0"
                                  "1\0"
                                  "Solo0"s;
    struct Case
    {
        const char* what;
        std::string content;
        bool keptAside;
    };
    const Case cases[] = {
        {"another format", "<?xml version=\"1.0\"?>", true},
        {"truncated", truncated, true},
        {"empty", "", false},
        {"whole",
         "PROP"s + countBytes(1) +
             "Mute0\0"
             "1\0"s,
         false},
    };
    for (const auto& c : cases) {
        const auto state = path("TessaryMixer.poo");
        writeBytes(state, c.content);
        StateFile file(program());
        EXPECT_TRUE(file.exists()) << c.what;
        file.properties().setBool("Mute0", false);
        ASSERT_TRUE(file.save()) << c.what;

        EXPECT_EQ(MixFile::open(state).getState(), MixFile::State::Read) << c.what;
        const auto aside = folder.getChildFile("TessaryMixer.poo.unreadable");
        EXPECT_EQ(aside.existsAsFile(), c.keptAside) << c.what;
        if (c.keptAside) {
            EXPECT_EQ(contentOf(aside.getFullPathName().toStdString()), c.content) << c.what;
        }
        aside.deleteFile();
    }
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

TEST_F(StateFileTest, AProgramInAFolderTheUserCannotWriteKeepsItsStateInTheUsersFolder)
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
        StateFile first(program());
        seen += "read " + first.getLocation().readFrom + " OutSwitch " +
                std::to_string(first.properties().getInt("OutSwitch", -1)) + "; ";
        first.properties().setInt("OutSwitch", 1);
        seen += first.save() ? "saved; " : "not saved; ";
        StateFile second(program());
        seen += "read " + second.getLocation().readFrom + " OutSwitch " +
                std::to_string(second.properties().getInt("OutSwitch", -1)) + "; ";

        ::unsetenv("HOME");
        StateFile nowhere(program());
        seen += nowhere.save() ? "kept without a home" : "not kept without a home";
        return seen;
    });
    EXPECT_EQ(report, "read " + path("TessaryMixer.poo") + " OutSwitch 3; saved; read " + config +
                          "/TessaryMixer.poo OutSwitch 1; not kept without a home");
    EXPECT_EQ(MixFile::open(path("TessaryMixer.poo")).properties.getInt("OutSwitch", -1), 3)
        << "the shipped file is left as it was";
}

} // namespace
