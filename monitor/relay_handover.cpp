#include "monitor/relay_handover.h"

#include "app/shared_flight_state.h"
#include "relay/server_socket.h"

void handOverToClients(outgoingMessage* message) {
    ServerSocket* server = flightState.server.load();
    if (server == nullptr) {
        delete message;
        return;
    }
    server->sendToClients(message);
}
