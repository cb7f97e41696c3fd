// Module paths and folder names through LocateSetupIni and FindLastCharDbcs under
// several ANSI code pages: lead bytes at the end, 5C second bytes, paths near 259 bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "code_pages.h"
#include "fuzz_support.h"
#include "install.h"

namespace {

UINT codePage;

// Lead bytes as each code page defines them: Shift-JIS, none in the Western code
// page, and the common range of GBK, Unified Hangul and Big5.
bool ReferenceLeadByte(unsigned char c)
{
    if (codePage == 932) return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (codePage == 1252) return false;
    return c >= 0x81 && c <= 0xFE;
}

// The last single-byte "\": characters are found one by one from the start, a
// lead byte taking the next byte (if any) with it.
int ReferenceLastSeparator(const std::string &text)
{
    int last = -1;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t width = ReferenceLeadByte(c) ? 2 : 1;
        if (width == 1 && c == '\\') last = static_cast<int>(i);
        i += width;
    }
    return last;
}

// Whether the text is whole characters: no lead byte without its second byte at the
// end. Paths that the system hands out are converted from Unicode and always are.
bool WellFormed(const std::string &text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (ReferenceLeadByte(c)) {
            if (i + 1 == text.size()) return false;
            ++i;
        }
    }
    return true;
}

std::string Consume(FuzzedDataProvider &data, size_t most)
{
    std::string text = data.ConsumeRandomLengthString(most);
    return text.c_str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    fakewin::Reset();
    fakewin::KeepCallLog(false);
    // Taken first: the code page decides how the stand-in splits the folders made below.
    codePage = kCheckedCodePages[data.ConsumeIntegralInRange<size_t>(0, sizeof kCheckedCodePages / sizeof kCheckedCodePages[0] - 1)].codePage;
    fakewin::SetAnsiCodePage(codePage);

    // A folder of the input's naming, made one level at a time, or padded near the limit.
    std::string folder = "C:";
    int depth = data.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < depth; ++i) {
        std::string name = Consume(data, 80);
        // Names as a folder can really have them: one component, no trailing dots or
        // blanks (path normalisation strips those from the last component only, so a
        // folder "a " could never hold a program whose path says "a \Tool.exe").
        while (!name.empty() && (name.back() == '.' || name.back() == ' ' || !WellFormed(name))) name.pop_back();
        if (name.empty() || name.find_first_of("\\/") != std::string::npos ||
            !fakewin::MakeFolder(folder + "\\" + name))
            break;
        folder += "\\" + name;
    }
    if (data.ConsumeBool()) {
        size_t target = data.ConsumeIntegralInRange<size_t>(240, 262);
        if (folder.size() + 1 < target && fakewin::MakeFolder(folder + "\\" + std::string(target - folder.size() - 1, 'p')))
            folder += "\\" + std::string(target - folder.size() - 1, 'p');
    }
    const int where = data.ConsumeIntegralInRange<int>(0, 3);  // none, beside, SETUPDATA, both
    if (where & 1) fakewin::MakeFile(folder + "\\SETUP.INI", "");
    if (where & 2) {
        fakewin::MakeFolder(folder + "\\SETUPDATA");
        fakewin::MakeFile(folder + "\\SETUPDATA\\SETUP.INI", "");
    }
    std::string program = data.ConsumeBool() ? folder + "\\" + Consume(data, 40) : Consume(data, 300);
    fakewin::SetModulePath(program);

    const std::string rest = data.ConsumeRemainingBytesAsString();
    const std::string text = rest.c_str();
    FUZZ_CHECK(FindLastCharDbcs(text.c_str(), '\\') == ReferenceLastSeparator(text));
    FUZZ_CHECK(FindLastCharDbcs(program.c_str(), '\\') == ReferenceLastSeparator(program));

    const UINT modeBefore = fakewin::CurrentErrorMode();
    char iniPath[260];
    memset(iniPath, 'x', sizeof iniPath);
    const int found = LocateSetupIni(iniPath);
    fuzz::CheckHandles();
    FUZZ_CHECK(fakewin::CurrentErrorMode() == modeBefore);
    FUZZ_CHECK(memchr(iniPath, 0, sizeof iniPath) != nullptr);
    const std::string result = iniPath;

    // What must be found: the program lies in the folder made above, whose name is
    // no search pattern, and a candidate that exists fits 259 bytes.
    const int cut = ReferenceLastSeparator(program);
    const std::string programFolder = cut < 0 ? program : program.substr(0, cut);
    const std::string beside = folder + "\\SETUP.INI";
    const std::string below = folder + "\\SETUPDATA\\SETUP.INI";
    if (programFolder == folder && folder.find_first_of("*?") == std::string::npos &&
        program.size() < 260) {
        if ((where & 1) && beside.size() < 260)
            FUZZ_CHECK(found && result == beside);
        else if ((where & 2) && below.size() < 260)
            FUZZ_CHECK(found && result == below);
        else
            FUZZ_CHECK(!found);
    }
    if (!found) {
        FUZZ_CHECK(result.empty());
        return 0;
    }
    // A module path the system could really report: whole characters, a folder, and
    // no wildcard (file names cannot hold one). Any other still must pass the checks
    // above, but what it finds is not a path to check.
    if (!WellFormed(program) || cut < 0 || program.find_first_of("*?") != std::string::npos) return 0;
    // Found: a real file, in the program's folder or its SETUPDATA, within 259 bytes.
    FUZZ_CHECK(fakewin::FileExists(result));
    FUZZ_CHECK(program.size() < 260);
    FUZZ_CHECK(result == programFolder + "\\SETUP.INI" || result == programFolder + "\\SETUPDATA\\SETUP.INI");
    return 0;
}
