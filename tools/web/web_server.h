#pragma once

// corvessa-web's HTTP side: the page's files, the flight's state as JSON,
// its events as a server-sent-event stream, and the two commands.
//
//   GET  /                 the page (and its /style.css, /app.js)
//   GET  /state            the latest record, route, notice and connection state
//   GET  /events           text/event-stream: the current picture at once, then
//                          one event per record, notice, route and connection change
//   POST /command/pause    the relay's pause toggle
//   POST /command/spoilers the relay's spoilers toggle
//
// Thread safety: bind and serve belong to one thread; stop may be called
// from any thread. The requests run on the server's own threads.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tools/web/flight_view.h"

namespace tools {

class WebServer {
  public:
    using CommandSink = std::function<void(std::uint8_t code)>;

    WebServer(FlightView& view, CommandSink commands);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds the listening socket (port 0: any free port); false when the
    // address cannot be listened on.
    bool bind(const std::string& host, int port);
    // The bound port, once bound.
    int port() const { return port_; }

    // Serves until stop(); true when it ended by stop().
    bool serve();
    // Ends serve(); every open event stream is ended too.
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = -1;
};

}  // namespace tools
