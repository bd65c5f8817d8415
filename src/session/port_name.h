#pragma once
// The port name as opened: "ComN" from 10 on goes through the device
// namespace ("//./Com12"); every other text is used as typed.

#include <string>

std::string PortNameToOpen(const std::string& typed);
