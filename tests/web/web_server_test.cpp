// corvessa-web's endpoints over real HTTP on loopback, fed by a real relay
// on an ephemeral port through the shared relay session.
#include <gtest/gtest.h>

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/relay_harness.h"
#include "tools/web/relay_feed.h"
#include "tools/web/web_server.h"

namespace {

using namespace tools_test;
using nlohmann::json;

// corvessa-web's two halves in-process: the relay feed and the HTTP server.
class WebRun {
  public:
    explicit WebRun(int relayPort)
        : feed_(settings(relayPort), view_, [](const std::string&) {}),
          server_(view_, [this](std::uint8_t code) { feed_.sendCommand(code); }) {
        EXPECT_TRUE(feed_.open());
        EXPECT_TRUE(server_.bind("127.0.0.1", 0));
        feed_.start();
        thread_ = std::thread([this] { server_.serve(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_.port());
        client_->set_read_timeout(5, 0);
    }
    ~WebRun() {
        server_.stop();
        thread_.join();
        feed_.stop();
    }

    httplib::Client& http() { return *client_; }

    json state() {
        const auto result = client_->Get("/state");
        return result && result->status == 200 ? json::parse(result->body) : json();
    }

    // The events of one /events stream until `enough` holds for them.
    std::vector<json> streamUntil(const std::function<bool(const std::vector<json>&)>& enough) {
        httplib::Client client("127.0.0.1", server_.port());
        client.set_read_timeout(5, 0);
        std::vector<json> events;
        std::string pending;
        client.Get("/events", [&](const char* data, std::size_t size) {
            pending.append(data, size);
            for (std::size_t end; (end = pending.find("\n\n")) != std::string::npos;) {
                const std::string block = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (block.rfind("data: ", 0) == 0) {
                    events.push_back(json::parse(block.substr(6)));
                }
            }
            return !enough(events);
        });
        return events;
    }

  private:
    static tools::RelaySessionSettings settings(int relayPort) {
        tools::RelaySessionSettings settings;
        settings.relay.address = platform::ipv4Address("127.0.0.1");
        settings.relay.port = static_cast<std::uint16_t>(relayPort);
        settings.local.address = settings.relay.address;
        settings.heartbeatInterval = std::chrono::milliseconds(100);
        return settings;
    }

    tools::FlightView view_;
    tools::RelayFeed feed_;
    tools::WebServer server_;
    std::thread thread_;
    std::unique_ptr<httplib::Client> client_;
};

bool has(const std::vector<json>& events, const std::string& kind) {
    for (const json& event : events) {
        if (event.value("event", "") == kind) {
            return true;
        }
    }
    return false;
}

TEST(WebServer, ALateBrowserGetsTheRouteAndTheLatestRecordAtOnce) {
    auto relay = startRelay(quickTimings());
    // Type P routes keep each identifier's line end; the relay sends it on.
    publishRoute({{"KSEA\n", 47.449, -122.309}, {"TOC", 47.9, -121.0}});
    relay->sendToClients(newTelemetry(1000));  // no client yet: the route follows registration
    WebRun web(relay->boundPort());
    ASSERT_TRUE(waitUntil([&] { return web.state()["route"].is_object(); })) << web.state();
    relay->sendToClients(newTelemetry(35000));
    ASSERT_TRUE(waitUntil([&] { return web.state()["record"].is_object(); }));

    const json state = web.state();
    EXPECT_EQ(state["route"]["entries"][0]["id"], "KSEA");
    EXPECT_EQ(state["route"]["entries"][1]["id"], "TOC");
    EXPECT_NEAR(state["route"]["entries"][0]["lat"].get<double>(), 47.449, 1e-9);
    EXPECT_EQ(state["record"]["altitudeFeet"], 35000);
    EXPECT_EQ(state["record"]["latitudeText"], "-33.946100");
    EXPECT_EQ(state["record"]["machMilli"], 799);
    EXPECT_EQ(state["connection"]["state"], "receiving");

    // A pause after the record: a newcomer must not take the record for a resumption.
    relay->sendToClients(new outgoingMessage(makeNotice(kPausedNotice)));
    ASSERT_TRUE(waitUntil([&] { return web.state()["notice"].is_object(); }));

    // Nothing more is sent: what the stream shows is the picture kept for newcomers.
    const std::vector<json> events = web.streamUntil([](const std::vector<json>& got) {
        return has(got, "route") && has(got, "telemetry") && has(got, "notice");
    });
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0]["event"], "route");
    EXPECT_EQ(events[1]["altitudeFeet"], 35000);
    EXPECT_EQ(events[2]["notice"], "PAUSED");
    EXPECT_EQ(events[3]["state"], "paused");
}

TEST(WebServer, ServesThePageCarriesNoticesAndSendsCommandsOnlyByPost) {
    auto relay = startRelay(quickTimings());
    WebRun web(relay->boundPort());
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));

    const auto page = web.http().Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("app.js"), std::string::npos);
    const auto script = web.http().Get("/app.js");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(web.http().Get("/nothing-here")->status, 404);

    const auto pause = web.http().Post("/command/pause");
    ASSERT_TRUE(pause);
    EXPECT_EQ(pause->status, 200);
    EXPECT_EQ(web.http().Post("/command/spoilers")->status, 200);
    EXPECT_EQ(web.http().Get("/command/pause")->status, 405);
    EXPECT_TRUE(waitUntil([&] { return pauseToggles == 1 && spoilersToggles == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pauseToggles, 1) << "a GET sent the command";

    // A notice reaches a browser already following, and the state shows the pause.
    std::thread notices([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        relay->sendToClients(new outgoingMessage(makeNotice(kPausedNotice)));
    });
    const std::vector<json> events =
        web.streamUntil([](const std::vector<json>& got) { return has(got, "notice"); });
    notices.join();
    ASSERT_TRUE(has(events, "notice"));
    EXPECT_TRUE(waitUntil([&] { return web.state()["connection"]["state"] == "paused"; }));
    EXPECT_EQ(web.state()["notice"]["notice"], "PAUSED");
}

}  // namespace

namespace {

TEST(WebServer, RegisteredBeforeTheFlightItAsksOnceMoreForTheRoute) {
    auto relay = startRelay(quickTimings());
    WebRun web(relay->boundPort());
    ASSERT_TRUE(waitUntil([&] { return web.state()["route"].is_object(); }));
    EXPECT_TRUE(web.state()["route"]["entries"].empty()) << "no_route: the plan is not read yet";
    // The plan is read, records flow; the relay lists a route only at a registration.
    publishRoute({{"EGLL", 51.4775, -0.4614}});
    ASSERT_TRUE(waitUntil([&] {
        relay->sendToClients(newTelemetry(1200));
        return !web.state()["route"]["entries"].empty();
    })) << web.state();
    EXPECT_EQ(web.state()["route"]["entries"][0]["id"], "EGLL");
    EXPECT_EQ(pauseOffs, 2);
}

}  // namespace
