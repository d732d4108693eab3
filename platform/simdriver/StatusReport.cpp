#include "StatusReport.h"

#include "AvcCodes.h"
#include "AvcSubunit.h"

#include <cstdio>
#include <sstream>

namespace sim {

namespace {

std::string hex(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string clockSourceName(int plug)
{
    if (plug == avc::kSpdifClockPlug)
        return "S/PDIF (unit external plug 3)";
    if (plug == avc::kInternalClockPlug)
        return "internal (music subunit plug 6)";
    return "plug " + hex(static_cast<std::uint32_t>(plug), 2);
}

std::string channels(const std::array<std::uint16_t, 3>& values, bool asDecibels, int first)
{
    static const char* const names[] = {"master", "left", "right"};
    std::string text;
    for (int channel = first; channel < 3; ++channel) {
        char cell[40];
        const std::string value = asDecibels ? decibels(values[channel]) : hex(values[channel], 4);
        std::snprintf(cell, sizeof cell, "  %s %-10s", names[channel], value.c_str());
        text += cell;
    }
    return text;
}

void describeUnit(std::ostringstream& out, unsigned index, const UnitState& unit)
{
    out << "unit " << index << ": node " << hex(unit.nodeId, 4) << ", clock source "
        << clockSourceName(unit.clockSourcePlug) << "\n";
    for (const auto& [block, values] : unit.volume) {
        const bool boost = block >= AvcSubunit::kFirstBoostBlock;
        out << "  feature FB " << block << (block < 10 ? " " : "") << (boost ? " boost  " : " volume ")
            << channels(values, true, boost ? 1 : 0) << "\n";
        if (auto balance = unit.balance.find(block); balance != unit.balance.end())
            out << "  feature FB " << block << (block < 10 ? " " : "") << " balance"
                << channels(balance->second, false, 0) << "\n";
    }
    out << "  selectors:";
    for (const auto& [block, plug] : unit.selector)
        out << " FB " << block << " = " << plug << (block == unit.selector.rbegin()->first ? "" : ",");
    out << "\n";
}

std::string faultsText(const SimDriver& driver)
{
    std::string text;
    for (const auto& [code, status] : driver.injectedFailures())
        text += " " + hex(code, 8) + " fails with " + hex(status, 8) + ";";
    for (const auto& [code, delay] : driver.asynchronousCodes())
        text += " " + (code == 0 ? std::string("every request") : hex(code, 8)) + " completes after " +
                std::to_string(delay.count()) + " ms;";
    if (const std::uint8_t response = driver.forcedResponse(); response != 0)
        text += " every AV/C command answered " + AvcSubunit::responseName(response) + ";";
    return text.empty() ? " none" : text;
}

void jsonArray(std::ostringstream& out, const std::map<int, std::array<std::uint16_t, 3>>& blocks)
{
    out << "{";
    bool first = true;
    for (const auto& [block, values] : blocks) {
        out << (first ? "" : ",") << "\"" << block << "\":[" << values[0] << "," << values[1] << "," << values[2]
            << "]";
        first = false;
    }
    out << "}";
}

} // namespace

std::string decibels(std::uint16_t value)
{
    if (value == avc::kSilence)
        return "-inf dB";
    char text[24];
    std::snprintf(text, sizeof text, "%+.2f dB", static_cast<std::int16_t>(value) / 256.0);
    return text;
}

std::string statusText(const SimDriver& driver)
{
    std::ostringstream out;
    const auto [major, minor] = driver.apiVersion();
    const unsigned units = driver.unitCount();
    out << "API version " << int(major) << "." << int(minor) << "\n"
        << "sample rate " << driver.sampleRate() << " Hz\n"
        << "buffer " << driver.bufferMicroseconds() << " us\n"
        << "CPU level " << driver.cpuLevel() << "\n"
        << "stream buffer depth " << driver.streamBufferDepth() << " us\n"
        << "faults:" << faultsText(driver) << "\n"
        << units << (units == 1 ? " unit" : " units") << "\n";
    for (unsigned i = 0; i < units; ++i)
        describeUnit(out, i, driver.unit(i));
    return out.str();
}

std::string statusJson(const SimDriver& driver)
{
    std::ostringstream out;
    const auto [major, minor] = driver.apiVersion();
    out << "{\"apiVersion\":\"" << int(major) << "." << int(minor) << "\",\"sampleRate\":" << driver.sampleRate()
        << ",\"bufferMicroseconds\":" << driver.bufferMicroseconds() << ",\"cpuLevel\":" << driver.cpuLevel()
        << ",\"streamBufferDepth\":" << driver.streamBufferDepth() << ",\"failures\":{";
    bool first = true;
    for (const auto& [code, status] : driver.injectedFailures()) {
        out << (first ? "" : ",") << "\"" << hex(code, 8) << "\":\"" << hex(status, 8) << "\"";
        first = false;
    }
    out << "},\"asynchronous\":{";
    first = true;
    for (const auto& [code, delay] : driver.asynchronousCodes()) {
        out << (first ? "" : ",") << "\"" << (code == 0 ? std::string("all") : hex(code, 8)) << "\":" << delay.count();
        first = false;
    }
    out << "},\"avcResponse\":" << int(driver.forcedResponse()) << ",\"units\":[";
    for (unsigned i = 0; i < driver.unitCount(); ++i) {
        const UnitState unit = driver.unit(i);
        out << (i ? "," : "") << "{\"index\":" << i << ",\"nodeId\":" << unit.nodeId
            << ",\"clockSourcePlug\":" << unit.clockSourcePlug << ",\"volume\":";
        jsonArray(out, unit.volume);
        out << ",\"balance\":";
        jsonArray(out, unit.balance);
        out << ",\"selector\":{";
        bool firstSelector = true;
        for (const auto& [block, plug] : unit.selector) {
            out << (firstSelector ? "" : ",") << "\"" << block << "\":" << plug;
            firstSelector = false;
        }
        out << "}}";
    }
    out << "]}\n";
    return out.str();
}

} // namespace sim
