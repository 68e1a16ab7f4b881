#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_control.h"

namespace platform {

// A program started as a child process, its standard output and standard
// error captured separately and its standard input empty (not a terminal).
// Used by the tests, which run the real executables, and by the demo tools.
//
// Thread safety: the output accessors may be called from any thread while
// the capture threads fill them; everything else belongs to one thread.
class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> environment;  // extra "NAME=VALUE" entries
        std::string workingDirectory;          // empty: the parent's
    };

    // Starts `program` with `arguments` (not including the program itself).
    // Returns null when the program cannot be started.
    static std::unique_ptr<ChildProcess> start(const std::string& program,
                                               const std::vector<std::string>& arguments,
                                               const Options& options);
    static std::unique_ptr<ChildProcess> start(const std::string& program,
                                               const std::vector<std::string>& arguments) {
        return start(program, arguments, Options{});
    }

    ~ChildProcess();  // ends a child that still runs, then reaps it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The system's number for the child, by which its resource use is read.
    int processId() const;

    std::string standardOutput() const;
    std::string standardError() const;

    // Waits until the standard output holds `text`, at most `timeoutMs`.
    bool waitForOutput(std::string_view text, int timeoutMs) const;

    // Delivers a console control event to the child (on POSIX, its signal;
    // on Windows a Ctrl-Break to the child's process group, the one event a
    // console can aim at a single child, whatever `type` asks for).
    void sendControlEvent(ConsoleControlType type);

    // Waits at most `timeoutMs` for the child to end; true when it has ended
    // and its output has been read to the end.
    bool wait(int timeoutMs);

    // After wait() returned true: the exit status, or -1 when a signal ended
    // it (on Windows, where no signal ends a process, always the exit code).
    int exitStatus() const;
    // After wait() returned true: the signal that ended the child, or 0.
    int terminatingSignal() const;
    // After wait() returned true: whether the child ended the way that console
    // control event ends a process by default.
    bool endedBy(ConsoleControlType type) const;

    struct Impl;

  private:
    explicit ChildProcess(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The whole run of a program that is expected to end by itself.
struct ProgramRun {
    bool ended = false;  // false: it was still running after the time limit and was killed
    int exitStatus = -1;
    int terminatingSignal = 0;
    std::string standardOutput;
    std::string standardError;
};

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      int timeoutMs, const ChildProcess::Options& options = {});

}  // namespace platform
