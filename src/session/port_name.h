#pragma once
// The port name as opened: "ComN" from 10 on goes through the device
// namespace ("//./Com12"); every other text is used as typed.

#include <string>

std::string PortNameToOpen(const std::string& typed);

// Whether two names as opened reach one device: "Com3" and "//./Com3", a
// /dev/serial/by-id link and the node it points at, a link and its pty.
bool SameDevice(const std::string& a, const std::string& b);
