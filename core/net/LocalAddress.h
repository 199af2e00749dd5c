#pragma once

#include <QString>

// This computer's address as dotted text: the first IPv4 address of an interface that is up
// and not the loopback, else 127.0.0.1.
QString LocalIPAddress();
