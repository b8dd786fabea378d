#ifndef QVXUTIL_PING_SETUP_H
#define QVXUTIL_PING_SETUP_H

#include <memory>
#include <string>

#include "Command.h"
#include "Ping.h"

namespace qvxutil {

// The Ping of the ping and mtu commands: towards host, from the address of
// this machine's name or from `from` when given. A failed set-up (a name that
// does not resolve, no privilege for the raw socket) is printed as a plain
// message and answered with null.
std::unique_ptr<Ping> makePing(const std::string& command, const std::string& host,
                               const std::string& from);

// Takes args[i] when it is the host or "--from ADDR" (then i moves past the
// address); false for any other argument.
bool takeHostArgument(const Args& args, std::size_t& i, std::string& host, std::string& from);

// Reads a whole decimal number from low to high; a usage error otherwise.
int numberArgument(const std::string& option, const std::string& text, int low, int high);

}  // namespace qvxutil

#endif
