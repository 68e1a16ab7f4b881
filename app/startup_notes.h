#pragma once

#include <string>

// The program's word on the error stream for each start-up mistake that
// would otherwise pass silently or mislead: one line each, naming the thing
// at fault. Standard output keeps its messages exactly as they were.

// The connection ended before it began: nothing answered `whereLooked`
// (simulatorLocation's words).
void noteNoSimulator(const std::string& whereLooked);

// "-spoilerControl " was followed by only `limitsRead` of its four numbers;
// the rest hold 0 and the speed window acts on them.
void noteMissingSpoilerLimits(int limitsRead);

// "-flightplan" stands with no route path after it.
void noteRoutePathMissing();

// Where the relay was asked for port 0 ("-port 0", or a value that reads as
// 0), the port the system chose for it, which the clients need to know.
void noteSystemChosenPort(int requestedPort, int boundPort);
