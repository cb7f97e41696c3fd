// The test world on the host: everything lives in the Win32 stand-in.
#include "world.h"

#include <iconv.h>

#include <fakewin.h>

namespace world {

namespace {

std::string FromCurrentUser(const std::string &path) { return "HKEY_CURRENT_USER\\" + path; }

}  // namespace

void Reset()
{
    fakewin::Reset();
    fakewin::CreateKey(FromCurrentUser(TEST_KEY));
    fakewin::MakeFolder("C:\\");
    fakewin::MakeFolder(Folder());
    fakewin::MakeFolder(ProgramFolder());
    fakewin::SetModulePath(ProgramFolder() + "\\Tool.exe");
}

std::string Folder() { return "C:\\kztest"; }

void CreateKey(const std::string &path, const char *className)
{
    fakewin::CreateKey(FromCurrentUser(path), className);
}

void SetValue(const std::string &path, const std::string &name, DWORD type, const void *data,
              DWORD size)
{
    fakewin::SetValue(FromCurrentUser(path), name, type, data, size);
}

void SetString(const std::string &path, const std::string &name, const std::string &text)
{
    fakewin::SetString(FromCurrentUser(path), name, text);
}

bool GetValue(const std::string &path, const std::string &name, DWORD *type, std::string *data)
{
    return fakewin::GetValue(FromCurrentUser(path), name, type, data);
}

bool KeyExists(const std::string &path) { return fakewin::KeyExists(FromCurrentUser(path)); }

int CountValues(const std::string &path) { return fakewin::CountValues(FromCurrentUser(path)); }

int CountSubkeys(const std::string &path) { return fakewin::CountSubkeys(FromCurrentUser(path)); }

void MakeFolder(const std::string &path) { fakewin::MakeFolder(path); }

void MakeFile(const std::string &path, const std::string &contents) { fakewin::MakeFile(path, contents); }

void RemoveFile(const std::string &path) { fakewin::RemoveFile(path); }

std::string ProgramFolder() { return "C:\\Program"; }

std::string Cp932ToUtf8(const std::string &text)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    std::string input = text;
    char out[4096];
    char *in = &input[0];
    size_t inLeft = input.size();
    char *outPtr = out;
    size_t outLeft = sizeof out;
    size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    return result == static_cast<size_t>(-1) ? "<invalid>" : std::string(out, outPtr - out);
}

bool OnStandIn() { return true; }

bool UseAnsiCodePage(UINT codePage)
{
    fakewin::SetAnsiCodePage(codePage);
    return true;
}

bool ListSubkeysIn(KeyOrder order)
{
    const fakewin::KeyOrder orders[] = {fakewin::KeyOrder::kWindows, fakewin::KeyOrder::kWine,
                                        fakewin::KeyOrder::kCreation};
    fakewin::SetKeyOrder(orders[static_cast<int>(order)]);
    return true;
}

bool SetAnsiMaxCharSize(UINT size)
{
    fakewin::SetAnsiMaxCharSize(size);
    return true;
}

long RegistryCalls(const char *function) { return fakewin::CallCount(function); }

}  // namespace world
