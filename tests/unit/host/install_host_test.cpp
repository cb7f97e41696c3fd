// Finding SETUP.INI from the program's own path: double-byte folder and file names,
// a path cut by GetModuleFileNameA, candidates at the 260-byte buffer limit, and
// the error mode around every probe.
#include "install.h"

#include <string.h>

#include <string>
#include <vector>

#include "host_test.h"

namespace {

// "ソフト" and "表": both hold 0x5C as the second byte of a character.
const char kSo[] = "\x83\x5C";
const char kSoft[] = "\x83\x5C\x83t\x83g";
const char kHyo[] = "\x95\x5C";

class InstallHostTest : public HostTest {
protected:
    struct Located {
        int result;
        std::string path;
    };

    static Located Locate()
    {
        char path[260];
        memset(path, 0xBD, sizeof path);
        Located located;
        located.result = LocateSetupIni(path);
        located.path = memchr(path, 0, sizeof path) ? std::string(path) : std::string("<unterminated>");
        return located;
    }

    // Patterns that reached FindFirstFileA, in order.
    static std::vector<std::string> Probed()
    {
        std::vector<std::string> patterns;
        for (const fakewin::FindCall &call : fakewin::FindCalls()) patterns.push_back(call.pattern);
        return patterns;
    }
};

TEST_F(InstallHostTest, DoubleByteNamesAreCutAtTheRealSeparator)
{
    const std::string so = kSo;
    const std::string hyo = kHyo;
    struct Row {
        UINT codePage;                     // the system's ANSI code page
        std::vector<std::string> folders;  // made in order; the last holds the program
        std::string program;               // the program's file name
    };
    const Row rows[] = {
        {932, {"C:\\" + std::string(kSoft)}, "Tool.exe"},                  // folder "ソフト"
        {932, {"C:\\Game" + hyo}, "Tool.exe"},                             // folder ending in "表"
        {932, {"C:\\" + so, "C:\\" + so + "\\" + hyo}, "Tool.exe"},      // two levels, both ending in 5C
        {932, {"C:\\Game"}, so + ".exe"},                                  // the program's own name "ソ.exe"
        {932, {"C:\\" + hyo}, hyo + so},                                   // 5C at the very end
        {1252, {"C:\\Jeux", "C:\\Jeux\\caf\xE9"}, "Tool.exe"},          // "café": E9 is no lead byte
        {936, {"C:\\\xDF\x5C"}, "Tool.exe"},                               // "運", lead byte DF
        {949, {"C:\\\xC0\xFA\xC0\xE5"}, "Tool.exe"},                       // "저장": trail bytes FA and E5
        {950, {"C:\\\xA5\x5C"}, "Tool.exe"},                               // "功", lead byte A5
    };
    for (const Row &row : rows) {
        const std::string &folder = row.folders.back();
        SCOPED_TRACE(testing::Message() << "code page " << row.codePage << ": " << folder << "\\"
                                        << row.program);
        world::Reset();
        fakewin::SetAnsiCodePage(row.codePage);
        for (const std::string &made : row.folders) world::MakeFolder(made);
        world::MakeFile(folder + "\\SETUP.INI", "");
        fakewin::SetModulePath(folder + "\\" + row.program);
        Located located = Locate();
        EXPECT_EQ(1, located.result);
        EXPECT_EQ(folder + "\\SETUP.INI", located.path);
        ASSERT_FALSE(Probed().empty());
        EXPECT_EQ(folder + "\\SETUP.INI", Probed()[0]);
    }
}

TEST_F(InstallHostTest, ACutModulePathIsNotUsed)
{
    // 259 bytes fit the 260-byte buffer; 260 and more come back cut to 259 bytes
    // plus a terminator with the result 260, and name some other folder.
    const std::string folder = "C:\\" + std::string(240, 'd');
    struct Row {
        size_t length;
        int expected;
    };
    const Row rows[] = {
        {259, 1},  // the longest path that fits
        {260, 0},  // one byte too long: cut
        {300, 0},  // far too long
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.length);
        world::Reset();
        world::MakeFolder(folder);
        world::MakeFile(folder + "\\SETUP.INI", "");
        std::string program = folder + "\\" + std::string(row.length - folder.size() - 1, 'p');
        fakewin::SetModulePath(program);
        Located located = Locate();
        EXPECT_EQ(row.expected, located.result);
        if (row.expected) {
            EXPECT_EQ(folder + "\\SETUP.INI", located.path);
        } else {
            EXPECT_EQ("", located.path);
            EXPECT_TRUE(Probed().empty());
        }
    }
}

TEST_F(InstallHostTest, CandidatesAtTheBufferLimit)
{
    // "\SETUP.INI" adds 10 bytes and "\SETUPDATA\SETUP.INI" 20; a candidate of 259
    // bytes is the longest that fits with its terminator. A longer one is refused
    // whole, never probed cut short.
    struct Row {
        size_t folderLength;
        bool inSetupData;
        int expected;
    };
    const Row rows[] = {
        {248, false, 1},  // first candidate of 258 bytes
        {249, false, 1},  // first candidate of exactly 259 bytes
        {250, false, 0},  // first candidate of 260 bytes: refused
        {238, true, 1},   // second candidate of 258 bytes
        {239, true, 1},   // second candidate of exactly 259 bytes
        {240, true, 0},   // second candidate of 260 bytes: refused
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.folderLength << (row.inSetupData ? " SETUPDATA" : ""));
        world::Reset();
        const std::string folder = "C:\\" + std::string(row.folderLength - 3, 'f');
        ASSERT_EQ(row.folderLength, folder.size());
        const std::string ini =
            folder + (row.inSetupData ? "\\SETUPDATA\\SETUP.INI" : "\\SETUP.INI");
        world::MakeFolder(folder);
        world::MakeFolder(folder + "\\SETUPDATA");
        world::MakeFile(ini, "");
        fakewin::SetModulePath(folder + "\\T.exe");
        Located located = Locate();
        EXPECT_EQ(row.expected, located.result);
        EXPECT_EQ(row.expected ? ini : "", located.path);
        for (const std::string &pattern : Probed()) EXPECT_LT(pattern.size(), 260u);
    }
}

TEST_F(InstallHostTest, EveryProbeRunsWithCriticalErrorsFailed)
{
    // Each search runs with critical errors failed; the mode in force before, whatever
    // it was, is the one in force afterwards.
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    world::MakeFolder(world::ProgramFolder() + "\\SETUPDATA");
    world::MakeFile(world::ProgramFolder() + "\\SETUPDATA\\SETUP.INI", "");
    Located located = Locate();
    EXPECT_EQ(1, located.result);
    ASSERT_EQ(2u, fakewin::FindCalls().size());
    for (const fakewin::FindCall &call : fakewin::FindCalls())
        EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), call.errorMode) << call.pattern;
    EXPECT_EQ(static_cast<UINT>(SEM_NOOPENFILEERRORBOX), fakewin::CurrentErrorMode());
}

TEST_F(InstallHostTest, NullPathProbesNothingAndKeepsTheMode)
{
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(kPathNothing, ProbePath(nullptr));
    EXPECT_TRUE(fakewin::FindCalls().empty());
    EXPECT_EQ(static_cast<UINT>(SEM_NOOPENFILEERRORBOX), fakewin::CurrentErrorMode());
}

}  // namespace
