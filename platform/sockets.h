#pragma once
// Whether this process can use IPv4 datagram sockets at all (the check the
// program makes at start-up before it opens any window).
namespace sp {
bool SocketLibraryAvailable();
}
