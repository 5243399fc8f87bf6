#pragma once
// One exchange over standard input and output, as inetd, xinetd, systemd
// (Accept=yes) or socat hand a connection to the program.

#include "PxServer.h"

#include <functional>

// Reads one query line from fd `in` (with the line cap and the idle time),
// writes the reply to fd `out` and returns the record of the exchange.
RequestRecord RunOneExchange(const FingerService& service, const ServerLimits& limits, int in, int out);

// After the reply: ends the exchange without losing the reply to a reset
// (the record is logged first: whoever started this process may end it as
// soon as the client has gone).
void EndExchange(int in, int out);

// The peer of the connection on fd `in`: its address when it is a socket,
// else what socat says (SOCAT_PEERADDR), else "-".
QString PeerOf(int in);
