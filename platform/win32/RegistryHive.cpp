#include <win32/RegistryHive.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace win32 {
namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00";
const char* const kOldHeader = "REGEDIT4";
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kWrapColumn = 76;

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// Orders keys depth-first: the separator sorts below every character of a name.
std::string sortKey(const std::vector<std::string>& names)
{
    std::string key;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            key += '\x01';
        key += upper(names[i]);
    }
    return key;
}

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// Reads a quoted string starting at text[pos] == '"'; leaves pos after the closing quote.
std::optional<std::string> readQuoted(const std::string& text, std::size_t& pos)
{
    if (pos >= text.size() || text[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"'))
            ++pos;
        out += text[pos];
    }
    return std::nullopt;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> parseHexNumber(const std::string& text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::vector<BYTE>> parseHexBytes(const std::string& text)
{
    std::vector<BYTE> bytes;
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != '\t')
            compact += c;
    if (compact.empty())
        return bytes;
    std::size_t pos = 0;
    while (true) {
        const auto comma = compact.find(',', pos);
        const auto token = compact.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const auto byte = parseHexNumber(token, 2);
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<BYTE>(*byte));
        if (comma == std::string::npos)
            return bytes;
        pos = comma + 1;
    }
}

// The data part of a value line: "text", dword:0000000a, hex:..., hex(N):...
std::optional<RegistryValue> parseData(const std::string& data)
{
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 0;
        const auto text = readQuoted(data, pos);
        if (!text || !trimmed(data.substr(pos)).empty())
            return std::nullopt;
        RegistryValue value{REG_SZ, std::vector<BYTE>(text->begin(), text->end())};
        value.data.push_back(0);
        return value;
    }
    const std::string lower = [&] {
        std::string l = data;
        for (char& c : l)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return l;
    }();
    if (lower.rfind("dword:", 0) == 0) {
        const auto number = parseHexNumber(trimmed(data.substr(6)), 8);
        if (!number)
            return std::nullopt;
        RegistryValue value{REG_DWORD, {}};
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back(static_cast<BYTE>(*number >> shift));
        return value;
    }
    DWORD type = REG_BINARY;
    std::size_t bytesAt = 0;
    if (lower.rfind("hex:", 0) == 0) {
        bytesAt = 4;
    } else if (lower.rfind("hex(", 0) == 0) {
        const auto close = lower.find("):", 4);
        if (close == std::string::npos)
            return std::nullopt;
        const auto number = parseHexNumber(lower.substr(4, close - 4), 8);
        if (!number)
            return std::nullopt;
        type = *number;
        bytesAt = close + 2;
    } else {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(data.substr(bytesAt));
    if (!bytes)
        return std::nullopt;
    return RegistryValue{type, std::move(*bytes)};
}

bool isCleanString(const RegistryValue& value)
{
    const auto& d = value.data;
    if (d.empty() || d.back() != 0)
        return false;
    return std::find(d.begin(), d.end() - 1, BYTE{0}) == d.end() - 1 &&
           std::find_if(d.begin(), d.end(), [](BYTE b) { return b == '\r' || b == '\n'; }) == d.end();
}

std::string formatData(const RegistryValue& value, std::size_t column)
{
    char buffer[16];
    if (value.type == REG_SZ && isCleanString(value))
        return quoted(std::string(value.data.begin(), value.data.end() - 1));
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "%08x", number);
        return std::string("dword:") + buffer;
    }
    std::string out = "hex:";
    if (value.type != REG_BINARY) {
        std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value.type));
        out = std::string("hex(") + buffer + "):";
    }
    column += out.size();
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", value.data[i]);
        out += buffer;
        column += 2;
        if (i + 1 < value.data.size()) {
            out += ',';
            ++column;
            if (column >= kWrapColumn) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

// Splits the text into logical lines: hex lists continue over lines ending in a backslash.
std::vector<std::string> logicalLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool continues = false;
    bool hexList = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (continues) {
            lines.back() += trimmed(line);
        } else {
            lines.push_back(line);
            const std::string start = trimmed(line);
            hexList = !start.empty() && start[0] != '[' && line.find("=hex") != std::string::npos;
        }
        std::string& last = lines.back();
        const auto end = last.find_last_not_of(" \t");
        continues = hexList && end != std::string::npos && last[end] == '\\';
        if (continues)
            last.erase(end);
    }
    return lines;
}

} // namespace

std::optional<std::vector<std::string>> splitKeyPath(const std::string& path)
{
    std::vector<std::string> names;
    if (path.empty())
        return names;
    std::size_t pos = 0;
    while (true) {
        const auto slash = path.find('\\', pos);
        auto name = path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (name.empty() || name.size() > kMaxKeyNameLength || holdsLineBreak(name))
            return std::nullopt;
        names.push_back(std::move(name));
        if (slash == std::string::npos)
            return names;
        pos = slash + 1;
    }
}

RegistryHive::RegistryHive(std::string rootName) : root(std::move(rootName))
{
    keys.emplace(std::string(), Key{});
}

RegistryHive::Key* RegistryHive::findKey(const std::string& path)
{
    const auto names = splitKeyPath(path);
    if (!names)
        return nullptr;
    const auto it = keys.find(sortKey(*names));
    return it == keys.end() ? nullptr : &it->second;
}

const RegistryHive::Key* RegistryHive::findKey(const std::string& path) const
{
    return const_cast<RegistryHive*>(this)->findKey(path);
}

bool RegistryHive::hasKey(const std::string& path) const
{
    return findKey(path) != nullptr;
}

std::optional<std::string> RegistryHive::storedPath(const std::string& path) const
{
    const Key* key = findKey(path);
    if (!key)
        return std::nullopt;
    return key->path;
}

void RegistryHive::createKey(const std::string& path)
{
    const auto names = splitKeyPath(path);
    if (!names)
        return;
    std::string sort;
    std::string prefix;
    for (const std::string& name : *names) {
        if (!prefix.empty()) {
            sort += '\x01';
            prefix += '\\';
        }
        sort += upper(name);
        prefix += name;
        keys.emplace(sort, Key{prefix, {}});
    }
}

void RegistryHive::deleteKey(const std::string& path)
{
    const auto names = splitKeyPath(path);
    if (!names || names->empty())
        return;
    const std::string self = sortKey(*names);
    const std::string children = self + '\x01';
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->first == self || it->first.compare(0, children.size(), children) == 0)
            it = keys.erase(it);
        else
            ++it;
    }
}

std::optional<RegistryValue> RegistryHive::value(const std::string& keyPath, const std::string& name) const
{
    const Key* key = findKey(keyPath);
    if (!key)
        return std::nullopt;
    for (const auto& [valueName, value] : key->values)
        if (equalNoCase(valueName, name))
            return value;
    return std::nullopt;
}

void RegistryHive::setValue(const std::string& keyPath, const std::string& name, RegistryValue value)
{
    Key* key = findKey(keyPath);
    if (!key) {
        createKey(keyPath);
        key = findKey(keyPath);
    }
    if (!key)
        return;
    for (auto& [valueName, stored] : key->values)
        if (equalNoCase(valueName, name)) {
            stored = std::move(value);
            return;
        }
    key->values.emplace_back(name, std::move(value));
}

bool RegistryHive::deleteValue(const std::string& keyPath, const std::string& name)
{
    Key* key = findKey(keyPath);
    if (!key)
        return false;
    const auto it = std::find_if(key->values.begin(), key->values.end(),
                                 [&](const auto& entry) { return equalNoCase(entry.first, name); });
    if (it == key->values.end())
        return false;
    key->values.erase(it);
    return true;
}

std::optional<RegistryHive> RegistryHive::parse(const std::string& rootName, const std::string& source)
{
    std::string text = source;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    if (text.find('\0') != std::string::npos)
        return std::nullopt;

    RegistryHive hive(rootName);
    bool headerSeen = false;
    std::optional<std::string> currentKey; // nullopt: before the first key, or inside a deleted key
    bool inDeletedKey = false;
    for (const std::string& rawLine : logicalLines(text)) {
        const std::string line = trimmed(rawLine);
        if (line.empty() || line[0] == ';')
            continue;
        if (!headerSeen) {
            if (line != kHeader && line != kOldHeader)
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            std::string full = line.substr(1, line.size() - 2);
            const bool deletes = !full.empty() && full[0] == '-';
            if (deletes)
                full.erase(0, 1);
            std::string path;
            if (equalNoCase(full, rootName))
                path.clear();
            else if (full.size() > rootName.size() && full[rootName.size()] == '\\' &&
                     equalNoCase(full.substr(0, rootName.size()), rootName))
                path = full.substr(rootName.size() + 1);
            else
                return std::nullopt;
            if (!splitKeyPath(path))
                return std::nullopt;
            if (deletes) {
                hive.deleteKey(path);
                currentKey.reset();
                inDeletedKey = true;
            } else {
                hive.createKey(path);
                currentKey = path;
                inDeletedKey = false;
            }
            continue;
        }
        if (!currentKey && !inDeletedKey)
            return std::nullopt;

        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto quotedName = readQuoted(line, pos);
            if (!quotedName)
                return std::nullopt;
            name = std::move(*quotedName);
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return std::nullopt;
        const std::string data = trimmed(line.substr(pos + 1));
        if (inDeletedKey)
            continue; // values of a deleted key are dropped with it
        if (data == "-") {
            hive.deleteValue(*currentKey, name);
            continue;
        }
        auto value = parseData(data);
        if (!value)
            return std::nullopt;
        hive.setValue(*currentKey, name, std::move(*value));
    }
    if (!headerSeen)
        return std::nullopt;
    return hive;
}

std::string RegistryHive::serialise() const
{
    std::string out = std::string(kHeader) + "\n";
    for (const auto& [sort, key] : keys) {
        if (sort.empty() && key.values.empty())
            continue; // the root is written only when it holds values
        out += "\n[" + root + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const auto& [name, value] : key.values) {
            const std::string lead = (name.empty() ? std::string("@") : quoted(name)) + "=";
            out += lead + formatData(value, lead.size()) + "\n";
        }
    }
    return out;
}

} // namespace win32
