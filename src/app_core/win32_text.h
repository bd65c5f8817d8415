#pragma once

// UTF-8 (the program's own text) to and from UTF-16 (the system's).

#include <string>

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
