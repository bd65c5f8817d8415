#include "cli/child_process.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app_core/win32_text.h"

namespace {

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// One argument quoted as the C runtime reads it back.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::atomic<bool> ctrlCame{false};

// The child ends the console's Ctrl-C itself; this process waits for it.
BOOL WINAPI KeepRunning(DWORD)
{
    ctrlCame = true;
    return TRUE;
}

struct Child {
    HANDLE process = nullptr;
    HANDLE pipes[2] = {nullptr, nullptr}; // read ends: output, errors
    int exitCode = 2;
};

bool Start(Child& child, const std::vector<std::string>& arguments)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE writeEnds[2] = {nullptr, nullptr};
    auto closeAll = [&] {
        for (HANDLE* handle : {&child.pipes[0], &child.pipes[1], &writeEnds[0], &writeEnds[1]})
            if (*handle) {
                CloseHandle(*handle);
                *handle = nullptr;
            }
    };
    for (int stream = 0; stream < 2; ++stream) {
        if (!CreatePipe(&child.pipes[stream], &writeEnds[stream], &inherited, 0)) {
            closeAll();
            return false;
        }
        SetHandleInformation(child.pipes[stream], HANDLE_FLAG_INHERIT, 0);
    }
    std::wstring commandLine = Quoted(ProgramPath());
    for (const std::string& argument : arguments)
        commandLine += L" " + Quoted(WideFromUtf8(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnds[0];
    startup.hStdError = writeEnds[1];
    PROCESS_INFORMATION started{};
    const BOOL created = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &started);
    CloseHandle(writeEnds[0]);
    CloseHandle(writeEnds[1]);
    writeEnds[0] = writeEnds[1] = nullptr;
    if (!created) {
        closeAll();
        return false;
    }
    CloseHandle(started.hThread);
    child.process = started.hProcess;
    return true;
}

// Hands on the pipe's lines until it ends.
void ReadLines(HANDLE pipe, size_t index, bool toErrors, const ChildLineHandler& onLine,
               std::mutex& handing)
{
    std::string pending;
    char buffer[4096];
    DWORD count = 0;
    auto hand = [&](const std::string& line) {
        std::string text = line;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const std::lock_guard lock(handing);
        onLine(index, toErrors, text);
    };
    while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        pending.append(buffer, count);
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            hand(pending.substr(start, end - start));
        pending.erase(0, start);
    }
    if (!pending.empty())
        hand(pending);
    CloseHandle(pipe);
}

} // namespace

ChildrenEnded RunChildrenTogether(const std::vector<std::vector<std::string>>& argumentLists,
                                  const ChildLineHandler& onLine)
{
    ctrlCame = false;
    SetConsoleCtrlHandler(KeepRunning, TRUE);
    std::mutex handing;
    std::vector<Child> children(argumentLists.size());
    std::vector<std::thread> readers;
    for (size_t i = 0; i < children.size(); ++i) {
        if (!Start(children[i], argumentLists[i])) {
            const std::lock_guard lock(handing);
            onLine(i, true,
                   "scale-cli: cannot start: Windows error " + std::to_string(GetLastError()));
            continue;
        }
        for (int stream = 0; stream < 2; ++stream)
            readers.emplace_back(ReadLines, children[i].pipes[stream], i, stream == 1,
                                 std::cref(onLine), std::ref(handing));
    }
    for (std::thread& reader : readers)
        reader.join();
    ChildrenEnded ended;
    for (Child& child : children) {
        if (child.process) {
            WaitForSingleObject(child.process, INFINITE);
            DWORD code = 2;
            GetExitCodeProcess(child.process, &code);
            child.exitCode = static_cast<int>(code);
            CloseHandle(child.process);
        }
        ended.exitCodes.push_back(child.exitCode);
    }
    SetConsoleCtrlHandler(KeepRunning, FALSE);
    ended.interrupted = ctrlCame;
    return ended;
}
