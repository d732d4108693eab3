// Text of windows and list items: UTF-16 as the templates keep it, shown as JUCE text.
#pragma once

#include "ByteReader.h"

#include <juce_core/juce_core.h>

#include <string>

namespace win32::detail {

inline juce::String juceText(const std::u16string& text)
{
    return juce::String(
        juce::CharPointer_UTF16(reinterpret_cast<const juce::CharPointer_UTF16::CharType*>(text.c_str())));
}

// Text in the Windows Latin-1 code page, as the A calls take it.
inline juce::String juceTextOfAnsi(const std::string& ansi)
{
    return juceText(fromAnsi(ansi));
}

} // namespace win32::detail
