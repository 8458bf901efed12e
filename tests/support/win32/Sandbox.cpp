#include "tests/support/win32/Sandbox.h"

#include <fstream>

namespace fs = std::filesystem;

fs::path FromBuildPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return path;
}

Sandbox::Sandbox() {
    root = fs::temp_directory_path() / (L"vantrel-test-" + std::to_wstring(GetCurrentProcessId()) +
                                        L"-" + std::to_wstring(GetTickCount64()));
    programFolder = root / L"Прибор 設備 ü";
    elsewhere = root / L"elsewhere";
    log = root / L"devcon.log";
    fs::create_directories(programFolder);
    fs::create_directories(elsewhere);
    SetEnvironmentVariableW(L"DEVCON_LOG", log.c_str());
}

Sandbox::~Sandbox() {
    SetEnvironmentVariableW(L"DEVCON_LOG", nullptr);
    SetEnvironmentVariableW(L"DEVCON_HOLD", nullptr);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

std::vector<Record> Sandbox::Records() const {
    std::vector<Record> records;
    std::ifstream in(log, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        records.push_back(devcon_record::Parse(line));
    }
    return records;
}

std::vector<Record> Sandbox::WaitForRecords(std::size_t count, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::vector<Record> records = Records();
    while (records.size() < count && GetTickCount64() < deadline) {
        Sleep(50);
        records = Records();
    }
    return records;
}

ProcessResult RunProgram(const fs::path& program, const std::wstring& arguments,
                         const fs::path& directory, DWORD timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, directory.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return result;
    }

    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    char buffer[4096];
    // Reads until the program has ended and its output is drained; whatever it started may still
    // hold the pipe open.
    bool ended = false;
    while (GetTickCount64() < deadline) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) {
            break;
        }
        DWORD read = 0;
        if (available > 0 && ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr)) {
            result.output.append(buffer, read);
        } else if (ended) {
            break;
        } else {
            ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
        }
    }
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    result.finished = WaitForSingleObject(process.hProcess, left) == WAIT_OBJECT_0;
    if (result.finished) {
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return result;
}

PROCESS_INFORMATION StartProgram(const fs::path& program, const fs::path& directory) {
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                   directory.c_str(), &startup, &process);
    return process;
}
