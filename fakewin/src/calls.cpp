// The record of API calls, the thread's last error, and the reset of the whole stand-in.
#include <map>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

namespace {

std::vector<std::string> callLog;
std::map<std::string, long> callCounts;
bool keepLog = true;
int platformDepth;
DWORD lastError;

// Records one API call by name (log and count).
void LogCall(const char *function)
{
    if (keepLog)
        callLog.emplace_back(function);
    ++callCounts[function];
}

}  // namespace

namespace internal {

PlatformCall::PlatformCall(const char *function)
{
    ++platformDepth;
    LogCall(function);
}

PlatformCall::~PlatformCall()
{
    --platformDepth;
}

ClientCall::ClientCall() : savedDepth_(platformDepth)
{
    platformDepth = 0;
}

ClientCall::~ClientCall()
{
    platformDepth = savedDepth_;
}

}  // namespace internal

bool InPlatformCall()
{
    return platformDepth > 0;
}

void Reset()
{
    callLog.clear();
    callCounts.clear();
    keepLog = true;
    lastError = 0;
    internal::ResetCodePage();
    internal::ResetRegistry();
    internal::ResetFiles();
    internal::ResetWindows();
}

const std::vector<std::string> &CallLog()
{
    return callLog;
}

long CallCount(const std::string &function)
{
    auto found = callCounts.find(function);
    return found == callCounts.end() ? 0 : found->second;
}

void KeepCallLog(bool keep)
{
    keepLog = keep;
}

}  // namespace fakewin

DWORD WINAPI GetLastError(void)
{
    return fakewin::lastError;
}

void WINAPI SetLastError(DWORD error)
{
    fakewin::lastError = error;
}

int WINAPI lstrlenA(LPCSTR text)
{
    fakewin::internal::PlatformCall platformCall("lstrlenA");
    // The real call reports 0 for a null pointer instead of faulting.
    if (text == nullptr)
        return 0;
    int length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}
