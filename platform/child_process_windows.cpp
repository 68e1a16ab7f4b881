#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <mutex>
#include <thread>

#include "platform/child_process.h"

namespace platform {

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    DWORD processId = 0;
    bool reaped = false;
    DWORD exitCode = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::string out;
    std::string err;
    int openStreams = 2;

    std::thread outReader;
    std::thread errReader;

    void capture(HANDLE pipe, std::string Impl::*into) {
        char buffer[4096];
        for (;;) {
            DWORD got = 0;
            if (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) == 0 || got == 0) {
                break;
            }
            std::lock_guard<std::mutex> lock(mutex);
            (this->*into).append(buffer, got);
            changed.notify_all();
        }
        CloseHandle(pipe);
        std::lock_guard<std::mutex> lock(mutex);
        --openStreams;
        changed.notify_all();
    }
};

namespace {

// How a process ends when a console control event reaches the system's
// default handler.
constexpr DWORD kControlEventExit = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// Handles are made inheritable only for the moment a child is created; the
// lock keeps one start from handing its pipes to another child.
std::mutex startMutex;

std::wstring wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        length);
    return result;
}

// Quotes one argument so that the child's start-up code splits it back out
// whole: backslashes count only before a double quote.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t character : argument) {
        if (character == L'\\') {
            ++backslashes;
            continue;
        }
        if (character == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        backslashes = 0;
        line += character;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::wstring commandLineOf(const std::string& program, const std::vector<std::string>& arguments) {
    std::wstring line;
    appendQuoted(line, wide(program));
    for (const std::string& argument : arguments) {
        line += L' ';
        appendQuoted(line, wide(argument));
    }
    return line;
}

std::wstring nameOf(const std::wstring& entry) {
    // Entries such as "=C:=C:\" name a drive's folder: their name starts
    // after the first character.
    return entry.substr(0, entry.find(L'=', 1));
}

bool sameName(const std::wstring& left, const std::wstring& right) {
    return _wcsicmp(nameOf(left).c_str(), nameOf(right).c_str()) == 0;
}

// This process's environment with `overrides` ("NAME=VALUE") put in place,
// as the block CreateProcessW takes: sorted entries, each ended by a zero,
// and one more zero at the end.
std::wstring environmentBlockWith(const std::vector<std::string>& overrides) {
    std::vector<std::wstring> entries;
    for (const std::string& override : overrides) {
        entries.push_back(wide(override));
    }
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring text(entry);
        const bool overridden =
            std::any_of(entries.begin(), entries.begin() + overrides.size(),
                        [&](const std::wstring& o) { return sameName(o, text); });
        if (!overridden) {
            entries.push_back(text);
        }
    }
    FreeEnvironmentStringsW(current);
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(nameOf(a).c_str(), nameOf(b).c_str()) < 0;
    });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

bool openPipe(Pipe& pipe) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (CreatePipe(&pipe.read, &pipe.write, &inheritable, 0) == 0) {
        return false;
    }
    SetHandleInformation(pipe.read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

void closeAll(std::initializer_list<HANDLE> handles) {
    for (HANDLE handle : handles) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
}

}  // namespace

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  const Options& options) {
    std::wstring commandLine = commandLineOf(program, arguments);
    std::wstring environment = environmentBlockWith(options.environment);
    const std::wstring folder = wide(options.workingDirectory);

    std::lock_guard<std::mutex> lock(startMutex);
    Pipe out;
    Pipe err;
    if (!openPipe(out)) {
        return nullptr;
    }
    if (!openPipe(err)) {
        closeAll({out.read, out.write});
        return nullptr;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inheritable, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    PROCESS_INFORMATION started{};
    // Its own process group, so that a console control event can be aimed
    // at the child alone.
    const BOOL created =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, environment.data(),
                       folder.empty() ? nullptr : folder.c_str(), &startup, &started);
    closeAll({nothing, out.write, err.write});
    if (created == 0) {
        closeAll({out.read, err.read});
        return nullptr;
    }
    CloseHandle(started.hThread);

    auto impl = std::make_unique<Impl>();
    impl->process = started.hProcess;
    impl->processId = started.dwProcessId;
    Impl* raw = impl.get();
    impl->outReader = std::thread([raw, pipe = out.read] { raw->capture(pipe, &Impl::out); });
    impl->errReader = std::thread([raw, pipe = err.read] { raw->capture(pipe, &Impl::err); });
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

ChildProcess::~ChildProcess() {
    if (!impl_->reaped) {
        TerminateProcess(impl_->process, 1);
        WaitForSingleObject(impl_->process, INFINITE);
        impl_->reaped = true;
    }
    impl_->outReader.join();
    impl_->errReader.join();
    CloseHandle(impl_->process);
}

int ChildProcess::processId() const {
    return static_cast<int>(impl_->processId);
}

std::string ChildProcess::standardOutput() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->out;
}

std::string ChildProcess::standardError() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->err;
}

bool ChildProcess::waitForOutput(std::string_view text, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return impl_->out.find(text) != std::string::npos; });
}

void ChildProcess::sendControlEvent(ConsoleControlType type) {
    if (impl_->reaped) {
        return;
    }
    // A console aims only Ctrl-Break at one process group; the child's
    // console handler sees that for every event asked for.
    (void)type;
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, impl_->processId);
}

bool ChildProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!impl_->reaped) {
        if (WaitForSingleObject(impl_->process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
            return false;
        }
        GetExitCodeProcess(impl_->process, &impl_->exitCode);
        impl_->reaped = true;
    }
    // As on POSIX: a grandchild that inherited the pipes could hold them
    // open, so wait for them only within the same time limit.
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_until(lock, deadline + std::chrono::seconds(1),
                                     [&] { return impl_->openStreams == 0; });
}

int ChildProcess::exitStatus() const {
    return static_cast<int>(impl_->exitCode);
}

int ChildProcess::terminatingSignal() const {
    return 0;
}

bool ChildProcess::endedBy(ConsoleControlType /*type*/) const {
    return impl_->exitCode == kControlEventExit;
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      int timeoutMs, const ChildProcess::Options& options) {
    ProgramRun run;
    auto child = ChildProcess::start(program, arguments, options);
    if (!child) {
        return run;
    }
    run.ended = child->wait(timeoutMs);
    if (run.ended) {
        run.exitStatus = child->exitStatus();
        run.terminatingSignal = child->terminatingSignal();
    }
    run.standardOutput = child->standardOutput();
    run.standardError = child->standardError();
    return run;
}

}  // namespace platform
