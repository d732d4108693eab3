// The fixed texts of the device layer's and driver's statuses. The texts are
// held as the Windows Latin-1 code page has them (one of them contains the
// acute accent, byte 0xB4); statusTextUtf8 renders them for display here.
#pragma once

#include "StatusCode.h"

#include <cstddef>
#include <string>

struct StatusTextEntry
{
    StatusCode code;
    const char* text; // code-page text
};

// The table of codes and texts, in its fixed order.
const StatusTextEntry* statusTextTable(std::size_t& count);

// The code-page text of `code`, or nullptr when the status has no text.
const char* statusText(StatusCode code);

// UTF-8 rendering of the status for display: the text when it has one,
// otherwise "Status 0xE0000013." for own statuses or "System error 2." for
// Win32 error numbers.
std::string statusTextUtf8(StatusCode code);

// Converts Windows Latin-1 code-page text to UTF-8 (bytes 0x80..0x9F, which
// hold other characters on that code page, become U+FFFD).
std::string codePageToUtf8(const char* text);
