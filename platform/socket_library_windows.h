#pragma once

// Windows only: the socket library has to be started in every process before
// its first socket. The platform's socket factories call this, so that the
// tools and the stand-in simulator work as they do on POSIX systems, where no
// start is needed.
namespace platform::detail {

// Starts Windows Sockets 2.2 once for the rest of the process; a later
// cleanupSocketLibrary() does not end this hold. False when the start failed.
bool holdSocketLibrary();

}  // namespace platform::detail
