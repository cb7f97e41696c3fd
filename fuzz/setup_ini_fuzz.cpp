// SETUP.INI contents of any kind (binary bytes, no final newline, CR LF and lone CR,
// a UTF-8 byte-order mark, duplicate sections and keys, very long lines) through the
// start-up: the outcome is the dialog or exactly one of the warning boxes, exit code
// 0, no handle left open, and the registry as it was.
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "install.h"
#include "settings.h"
#include "startup.h"

namespace {

// Whether a REG_NAME addresses the installed game's key: separators at the ends and
// in runs do not count, and key names match without regard to case.
bool NamesTheGame(const std::string &name)
{
    std::string normal;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\')
            normal += name[i];
        else if (!normal.empty() && normal.back() != '\\' && i + 1 < name.size())
            normal += '\\';
    }
    while (!normal.empty() && normal.back() == '\\')
        normal.pop_back();
    return fuzz::Fold(normal) == fuzz::Fold(fuzz::kGameName);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const SettingDefinition &setting = CalcSwitchSetting;
    fuzz::InstallGame(setting);
    const std::string contents(reinterpret_cast<const char *>(bytes), size);
    fakewin::MakeFile("C:\\Program\\SETUP.INI", contents);

    // The name alone: it fits its buffer, is terminated, and is not empty on success.
    char name[260 + 16];
    memset(name, 0xBD, sizeof name);
    int found = ReadRegName("C:\\Program\\SETUP.INI", *reinterpret_cast<char(*)[260]>(name));
    FUZZ_CHECK(memchr(name, 0, 260) != nullptr);
    for (size_t i = 260; i < sizeof name; ++i)
        FUZZ_CHECK(static_cast<unsigned char>(name[i]) == 0xBD);
    FUZZ_CHECK(found == (name[0] != '\0'));
    if (found) {
        const size_t length = strlen(name);
        const int fits = BuildGameKeyPath(name);
        FUZZ_CHECK(fits == (28 + length < 260));
        FUZZ_CHECK(!fits || std::string(GameKeyPath) == "\\HKEY_CURRENT_USER\\Software\\" + std::string(name));
        FUZZ_CHECK(fits || GameKeyPath[0] == '\0');
    }

    // The whole start-up, cancelled if it gets as far as the dialog.
    fuzz::InstallGame(setting);
    fakewin::MakeFile("C:\\Program\\SETUP.INI", contents);
    const fuzz::Snapshot before = fakewin::SnapshotRegistry();
    bool dialogShown = false;
    fakewin::SetUserAction([&] {
        HWND dialog = FindWindowA(setting.className, nullptr);
        if (dialog != nullptr) {
            dialogShown = true;
            fakewin::Click(dialog, setting.cancelId);
        }
    });
    int exitCode = ToolWinMain(setting, fakewin::ProgramInstance(), nullptr, const_cast<char *>(""),
                               SW_SHOWNORMAL);
    fakewin::SetUserAction(nullptr);
    FUZZ_CHECK(exitCode == 0);
    FUZZ_CHECK(fakewin::StuckCount() == 0);
    fuzz::CheckHandles();
    FUZZ_CHECK(fakewin::SnapshotRegistry() == before);
    const auto &boxes = fakewin::MessageBoxes();
    if (dialogShown) {
        FUZZ_CHECK(boxes.empty());
        FUZZ_CHECK(found && NamesTheGame(name));
    } else {
        FUZZ_CHECK(boxes.size() == 1);
        FUZZ_CHECK(boxes[0].owner == nullptr && boxes[0].title == kTextWarningTitle &&
                   boxes[0].style == MB_ICONWARNING);
        const bool usable = found && strlen(name) + 28 < 260;
        FUZZ_CHECK(boxes[0].text == (usable ? kTextNotInstalled : kTextNoRegName));
        FUZZ_CHECK(!usable || !NamesTheGame(name));
    }
    return 0;
}
