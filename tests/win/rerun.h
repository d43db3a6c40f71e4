// Cases of a test program run again in a process of their own: for what a process takes in once, when
// it starts (the screen's density), or what it changes for the whole session (the system's colours).
// The cases are named with the DISABLED_ prefix, so that they run only when started so; an
// environment variable tells them they were.
#ifndef ZRPC_TESTS_RERUN_H
#define ZRPC_TESTS_RERUN_H

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zt {

// Runs this program's cases matching filter (a gtest filter) with the variable name set to value;
// their output goes where ours goes. The exit code (0: they passed), 0xFFFF when the process could
// not start, 0xFFFE when it did not end within timeoutMs.
inline DWORD RunCasesAlone(const char* filter, const char* name, const char* value,
                           DWORD timeoutMs = 180000) {
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string command =
        std::string("\"") + exe + "\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    SetEnvironmentVariableA(name, value);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessA(exe, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(name, nullptr);
    if (!started) return 0xFFFF;
    DWORD code = 0xFFFE;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// The value RunCasesAlone gave the variable name; null when the case was not started so.
inline const char* AloneValue(const char* name) {
    return std::getenv(name);
}

} // namespace zt

#endif
