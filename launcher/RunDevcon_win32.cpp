#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/windows/WideText.h"
#include "launcher/DevconPath.h"
#include "launcher/RunDevcon.h"

namespace {

class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    HANDLE* Out() { return &handle_; }
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    void Reset() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
            handle_ = nullptr;
        }
    }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HANDLE handle_ = nullptr;
};

DevconResultReceiver& ResultReceiver() {
    static DevconResultReceiver receiver;
    return receiver;
}

Handle OpenNul(DWORD access, SECURITY_ATTRIBUTES& inheritable) {
    return Handle(CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Lets the child inherit `handles` and nothing else of ours, whatever else is inheritable.
class InheritOnly {
  public:
    explicit InheritOnly(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            list_ = list;
            ok_ = UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                            handles_.data(), handles_.size() * sizeof(HANDLE),
                                            nullptr, nullptr);
        }
    }
    ~InheritOnly() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return ok_ ? list_ : nullptr; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
};

// A started tool, watched by a thread of its own until it exits.
struct Run {
    DeviceVerb verb;
    std::uint64_t number;
    Handle process;
    Handle errorOutput;
    DevconResultReceiver receiver;
};

DWORD WINAPI WatchRun(void* parameter) {
    const std::unique_ptr<Run> run(static_cast<Run*>(parameter));
    ErrorOutput output;
    char buffer[1024];
    DWORD read = 0;
    // Ends with ERROR_BROKEN_PIPE once the tool, the only writer, has ended.
    while (ReadFile(run->errorOutput.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        output.Append({buffer, read});
    }
    WaitForSingleObject(run->process.Get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(run->process.Get(), &exitCode);
    run->process.Reset();
    run->errorOutput.Reset();
    run->receiver(DevconResult{run->verb, output.Take(), exitCode, run->number});
    return 0;
}

}  // namespace

void ReceiveDevconResults(DevconResultReceiver receiver) {
    ResultReceiver() = std::move(receiver);
}

int RunDevcon(DeviceVerb verb, std::uint64_t number) {
    const std::optional<ToolPath> path = DevconPath();
    if (!path) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    // The full path as the application name: nothing is searched for. No shell is involved, so
    // no zone check can put up a prompt while USB devices are off.
    const std::wstring& tool = *path;
    const std::wstring folder = ToolFolder(tool);
    const std::string parameters(DevconParameters(verb));
    std::wstring commandLine =
        L"\"" + tool + L"\" " + std::wstring(parameters.begin(), parameters.end());

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const Handle input = OpenNul(GENERIC_READ, inheritable);
    const Handle output = OpenNul(GENERIC_WRITE, inheritable);
    const DevconResultReceiver receiver = ResultReceiver();
    Handle errorRead;
    Handle errorWrite;
    if (receiver && CreatePipe(errorRead.Out(), errorWrite.Out(), &inheritable, 0)) {
        SetHandleInformation(errorRead.Get(), HANDLE_FLAG_INHERIT, 0);
    }
    if (!input || !output) {
        return static_cast<int>(GetLastError());
    }
    const HANDLE error = errorWrite ? errorWrite.Get() : output.Get();
    std::vector<HANDLE> inherited{input.Get(), output.Get()};
    if (errorWrite) {
        inherited.push_back(error);
    }
    const InheritOnly inheritOnly(inherited);
    if (inheritOnly.List() == nullptr) {
        return static_cast<int>(GetLastError());
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = input.Get();
    startup.StartupInfo.hStdOutput = output.Get();
    startup.StartupInfo.hStdError = error;
    startup.lpAttributeList = inheritOnly.List();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(tool.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.c_str(),
                        &startup.StartupInfo, &process)) {
        return static_cast<int>(GetLastError());
    }
    CloseHandle(process.hThread);
    Handle processHandle(process.hProcess);
    if (!errorRead) {
        return 0;  // nobody listens: never awaited, nothing kept
    }
    // Only the tool holds the write end now: its end of file is the tool's end.
    errorWrite.Reset();
    auto run = std::make_unique<Run>();
    run->verb = verb;
    run->number = number;
    *run->process.Out() = processHandle.Release();
    *run->errorOutput.Out() = errorRead.Release();
    run->receiver = receiver;
    const HANDLE thread = CreateThread(nullptr, 0, WatchRun, run.get(), 0, nullptr);
    if (thread != nullptr) {
        run.release();  // the thread owns it now
        CloseHandle(thread);
    }
    return 0;
}

std::string SystemMessage(int error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    // Without the line end and full stop that Windows' messages end with.
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return message.empty() ? "unknown error" : Utf8(message);
}
