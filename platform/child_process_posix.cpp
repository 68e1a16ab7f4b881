#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/child_process.h"

namespace platform {

struct ChildProcess::Impl {
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::string out;
    std::string err;
    int openStreams = 2;

    std::thread outReader;
    std::thread errReader;

    void capture(int fd, std::string Impl::*into) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            std::lock_guard<std::mutex> lock(mutex);
            (this->*into).append(buffer, static_cast<size_t>(got));
            changed.notify_all();
        }
        close(fd);
        std::lock_guard<std::mutex> lock(mutex);
        --openStreams;
        changed.notify_all();
    }
};

namespace {

int signalOf(ConsoleControlType type) {
    switch (type) {
        case CtrlC:
            return SIGINT;
        case CtrlBreak:
            return SIGQUIT;
        case CtrlClose:
            return SIGHUP;
        case CtrlLogoff:
            return SIGHUP;
        case CtrlShutdown:
            return SIGTERM;
    }
    return SIGINT;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string nameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// This process's environment with `overrides` ("NAME=VALUE") put in place.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        bool overridden = false;
        for (const std::string& override : overrides) {
            overridden = overridden || nameOf(override) == nameOf(text);
        }
        if (!overridden) {
            result.push_back(text);
        }
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

}  // namespace

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  const Options& options) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return nullptr;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return nullptr;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers = pointersTo(argv);
    std::vector<std::string> environment = environmentWith(options.environment);
    std::vector<char*> environmentPointers = pointersTo(environment);

    const pid_t pid = fork();
    if (pid == 0) {
        // In the child: only async-signal-safe calls until exec.
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        execve(program.c_str(), argvPointers.data(), environmentPointers.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->pid = pid;
    Impl* raw = impl.get();
    impl->outReader = std::thread([raw, fd = outPipe[0]] { raw->capture(fd, &Impl::out); });
    impl->errReader = std::thread([raw, fd = errPipe[0]] { raw->capture(fd, &Impl::err); });
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

ChildProcess::~ChildProcess() {
    if (!impl_->reaped) {
        kill(impl_->pid, SIGKILL);
        waitpid(impl_->pid, &impl_->status, 0);
        impl_->reaped = true;
    }
    impl_->outReader.join();
    impl_->errReader.join();
}

std::string ChildProcess::standardOutput() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->out;
}

int ChildProcess::processId() const {
    return static_cast<int>(impl_->pid);
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
    if (!impl_->reaped) {
        kill(impl_->pid, signalOf(type));
    }
}

bool ChildProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!impl_->reaped) {
        const pid_t done = waitpid(impl_->pid, &impl_->status, WNOHANG);
        if (done == impl_->pid) {
            impl_->reaped = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The child has ended; its output is complete once both pipes are closed.
    // A grandchild that inherited the pipes could hold them open, so wait for
    // them only within the same time limit.
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_until(lock, deadline + std::chrono::seconds(1),
                                     [&] { return impl_->openStreams == 0; });
}

int ChildProcess::exitStatus() const {
    return WIFEXITED(impl_->status) ? WEXITSTATUS(impl_->status) : -1;
}

int ChildProcess::terminatingSignal() const {
    return WIFSIGNALED(impl_->status) ? WTERMSIG(impl_->status) : 0;
}

bool ChildProcess::endedBy(ConsoleControlType type) const {
    return terminatingSignal() == signalOf(type);
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
