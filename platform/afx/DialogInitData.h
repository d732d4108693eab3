// The dialog's initial control data (the DLGINIT resource the resource
// compiler makes from a dialog's data block): the messages CDialog sends its
// controls before OnInitDialog fills them. Read from resource bytes, so every
// read is bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace afx {

// One message: sent to control `controlId` with the data (a zero-terminated
// string) as lParam.
struct DialogInitMessage
{
    std::uint16_t controlId = 0;
    unsigned int message = 0;
    std::string data;
};

// The messages up to the terminating 0; false when the data ends before it.
// Messages are given in their Win32 numbers (the resource keeps the 16-bit
// ones of CB_ADDSTRING and LB_ADDSTRING).
bool parseDialogInit(const void* data, std::size_t size, std::vector<DialogInitMessage>& messages);

} // namespace afx
