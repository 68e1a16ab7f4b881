#include "tools/web/web_server.h"

#include <httplib.h>

#include <chrono>

#include "platform/tcp_socket.h"
#include "relay/wire_protocol.h"
#include "tools/web/page_files.h"

namespace tools {
namespace {

// Each event stream holds one of the server's threads; a tablet, a phone
// and a few reconnections in between fit many times over.
constexpr std::size_t kServerThreads = 24;

// An idle event stream wakes this often to see whether the program ends.
constexpr std::chrono::milliseconds kStreamPoll{500};
// A comment on an idle stream this often finds browsers that went away
// (a write fails) and keeps proxies from closing the stream.
constexpr std::chrono::seconds kStreamKeepAlive{10};
// How soon a browser reconnects a lost stream.
constexpr int kReconnectMs = 1000;

const char kJson[] = "application/json";

bool writeAll(httplib::DataSink& sink, const std::string& text) {
    return sink.write(text.data(), text.size());
}

std::string eventText(const std::string& json) {
    return "data: " + json + "\n\n";
}

// One browser's event stream: the picture at once, then every event.
class EventStream {
  public:
    explicit EventStream(const FlightView& view) : view_(view) {}

    bool provide(httplib::DataSink& sink) {
        if (!started_) {
            started_ = true;
            std::string text = "retry: " + std::to_string(kReconnectMs) + "\n\n";
            for (const std::string& event : view_.snapshot(&cursor_)) {
                text += eventText(event);
            }
            lastWrite_ = Clock::now();
            return writeAll(sink, text);
        }
        const std::vector<std::string> events = view_.waitForEvents(&cursor_, kStreamPoll);
        if (view_.closed()) {
            sink.done();
            return true;
        }
        std::string text;
        for (const std::string& event : events) {
            text += eventText(event);
        }
        if (text.empty() && Clock::now() - lastWrite_ >= kStreamKeepAlive) {
            text = ": keep-alive\n\n";
        }
        if (text.empty()) {
            return true;
        }
        lastWrite_ = Clock::now();
        return writeAll(sink, text);
    }

  private:
    using Clock = std::chrono::steady_clock;
    const FlightView& view_;
    std::uint64_t cursor_ = 0;
    bool started_ = false;
    Clock::time_point lastWrite_{};
};

}  // namespace

struct WebServer::Impl {
    FlightView& view;
    CommandSink commands;
    httplib::Server server;

    Impl(FlightView& flightView, CommandSink sink) : view(flightView), commands(std::move(sink)) {
        server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
        // The library's default shares the port with any later server on it.
        server.set_socket_options(
            [](socket_t socket) { platform::prepareExclusiveListener(socket); });
        routePage();
        routeState();
        routeCommand("/command/pause", kCommandPauseToggle, "pause toggle");
        routeCommand("/command/spoilers", kCommandSpoilersToggle, "spoilers toggle");
    }

    void routePage() {
        for (const PageFile& file : pageFiles()) {
            const std::string path = file.path == "/index.html" ? "/" : std::string(file.path);
            server.Get(path, [&file](const httplib::Request&, httplib::Response& response) {
                response.set_header("Cache-Control", "no-cache");
                response.set_content(file.body.data(), file.body.size(),
                                     std::string(file.contentType).c_str());
            });
        }
    }

    void routeState() {
        server.Get("/state", [this](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_content(view.state().dump(), kJson);
        });
        server.Get("/events", [this](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            auto stream = std::make_shared<EventStream>(view);
            response.set_chunked_content_provider(
                "text/event-stream",
                [stream](std::size_t, httplib::DataSink& sink) { return stream->provide(sink); });
        });
    }

    void routeCommand(const std::string& path, std::uint8_t code, const std::string& name) {
        server.Post(path, [this, code, name](const httplib::Request&, httplib::Response& response) {
            commands(code);
            response.set_content(
                nlohmann::ordered_json{{"event", "command"}, {"command", name}}.dump(), kJson);
        });
        // A command changes the simulator: a link followed or a page
        // prefetched must not send it.
        server.Get(path, [](const httplib::Request&, httplib::Response& response) {
            response.status = 405;
            response.set_header("Allow", "POST");
            response.set_content("{\"error\":\"POST sends a command\"}", kJson);
        });
    }
};

WebServer::WebServer(FlightView& view, CommandSink commands)
    : impl_(std::make_unique<Impl>(view, std::move(commands))) {}

WebServer::~WebServer() {
    stop();
}

bool WebServer::bind(const std::string& host, int port) {
    if (port == 0) {
        port_ = impl_->server.bind_to_any_port(host);
    } else {
        port_ = impl_->server.bind_to_port(host, port) ? port : -1;
    }
    return port_ > 0;
}

bool WebServer::serve() {
    return impl_->server.listen_after_bind();
}

void WebServer::stop() {
    impl_->view.close();
    impl_->server.stop();
}

}  // namespace tools
