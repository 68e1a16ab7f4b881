#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/status_figures.h"

class ServerSocket;

// "-status": one line on the error stream every few seconds, so that a pilot
// sees the flight without reading the relay's console lines.

// How often the line comes: often enough to follow a flight, rarely enough
// to stay readable beside the relay's own lines.
constexpr std::chrono::seconds kStatusPeriod{5};

// The status line, without its newline, for example
// "status: cruise, 35000 ft, IAS 280 kt, TAS 470 kt, GS 455 kt, M0.824; 2 clients registered; last
// event sent: THROTTLE_CUT".
std::string statusLine(const StatusFigures& figures, std::size_t clientsRegistered);

// Writes `line()` to `sink` at once and then every `period`, on a thread of
// its own, until destroyed.
//
// Thread safety: constructed and destroyed on one thread; `line` and `sink`
// run on the reporter's thread (the first time on the constructing one).
class StatusReporter {
  public:
    StatusReporter(std::function<std::string()> line, std::function<void(const std::string&)> sink,
                   std::chrono::milliseconds period = kStatusPeriod);
    ~StatusReporter();
    StatusReporter(const StatusReporter&) = delete;
    StatusReporter& operator=(const StatusReporter&) = delete;

  private:
    void run();

    std::function<std::string()> line_;
    std::function<void(const std::string&)> sink_;
    std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;  // guarded by mutex_
    std::thread thread_;
};

// The program's status line: the figures noted so far and the relay's
// registered clients, on the error stream.
std::unique_ptr<StatusReporter> startStatusLine(const ServerSocket& relay);
