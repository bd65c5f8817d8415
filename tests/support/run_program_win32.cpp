#include "program_arguments.h"
#include "run_program.h"

#include "app_core/win32_text.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

namespace support {

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
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

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return std::towupper(c); });
    return text;
}

// This process's environment block, changed by `env`; names compare
// without case, as Windows does.
std::wstring EnvironmentBlock(const std::map<std::string, std::optional<std::string>>& env)
{
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* e = strings; *e; e += wcslen(e) + 1) {
        const std::wstring entry = e;
        const std::wstring name = Upper(entry.substr(0, entry.find(L'=', 1)));
        bool replaced = false;
        for (const auto& [changed, value] : env)
            replaced = replaced || Upper(WideFromUtf8(changed)) == name;
        if (!replaced)
            entries.push_back(entry);
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : env) {
        if (value)
            entries.push_back(WideFromUtf8(name) + L"=" + WideFromUtf8(*value));
    }
    std::wstring block;
    for (const std::wstring& entry : entries)
        block += entry + L'\0';
    return block + L'\0';
}

class OutputFile {
public:
    explicit OutputFile(const wchar_t* tag)
    {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, tag, 0, path_);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle_ =
            CreateFileW(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot create a temporary file");
    }
    ~OutputFile()
    {
        CloseHandle(handle_);
        DeleteFileW(path_);
    }
    HANDLE Handle() const { return handle_; }
    std::string Text() const
    {
        SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
        std::string text;
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(handle_, buffer, sizeof buffer, &n, nullptr) && n > 0)
            text.append(buffer, n);
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.erase(at, 1);
        return text;
    }

private:
    wchar_t path_[MAX_PATH] = {};
    HANDLE handle_;
};

} // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>>& env,
                      std::optional<std::chrono::milliseconds>)
{
    std::wstring commandLine = Quoted(WideFromUtf8(program));
    for (const std::string& arg : args)
        commandLine += L" " + Quoted(WideFromUtf8(arg));
    std::wstring environment = EnvironmentBlock(env);

    OutputFile out(L"out");
    OutputFile err(L"err");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.Handle();
    startup.hStdError = err.Handle();
    PROCESS_INFORMATION process{};
    ProgramRun run;
    if (!CreateProcessW(WideFromUtf8(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                        &process))
        return run;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exitCode = static_cast<int>(code);
    run.out = out.Text();
    run.err = err.Text();
    return run;
}

} // namespace support

#include <shellapi.h>

namespace support {

std::vector<std::string> Utf8Arguments(int, char**)
{
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

} // namespace support
