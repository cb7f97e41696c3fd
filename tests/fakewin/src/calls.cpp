// The record of API calls and the reset of the whole stand-in.
#include <string.h>

#include <map>

#include "fakewin.h"
#include "internal.h"

namespace fakewin {

namespace {

std::vector<std::string> callLog;
std::map<std::string, long> callCounts;
bool keepLog = true;

}  // namespace

void internal::LogCall(const char *function)
{
    if (keepLog) callLog.emplace_back(function);
    ++callCounts[function];
}

void Reset()
{
    callLog.clear();
    callCounts.clear();
    keepLog = true;
    SetAnsiCodePage(932);
    internal::ResetRegistry();
    internal::ResetFiles();
    internal::ResetWindows();
}

const std::vector<std::string> &CallLog() { return callLog; }

long CallCount(const std::string &function)
{
    auto found = callCounts.find(function);
    return found == callCounts.end() ? 0 : found->second;
}

void KeepCallLog(bool keep) { keepLog = keep; }

}  // namespace fakewin

int WINAPI lstrlenA(LPCSTR text)
{
    fakewin::internal::LogCall("lstrlenA");
    // The real call reports 0 for a null pointer instead of faulting.
    return text ? static_cast<int>(strlen(text)) : 0;
}
