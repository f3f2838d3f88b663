#pragma once
// Address texts to socket addresses, read the way the core reads them.
#include <QtNetwork/QHostAddress>
#include <string>

namespace tavrel {

// Four decimal numbers 0-255: "010.0.0.1" is 10.0.0.1, never the octal 8.0.0.1 that QHostAddress
// makes of it (which would send to an address the user never typed). Null for any other text.
QHostAddress ipv4HostAddress(const std::string& text);

}  // namespace tavrel
