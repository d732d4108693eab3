#include <win32/RegistryHive.h>

#include "RegistryText.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace win32 {
namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00";
const char* const kOldHeader = "REGEDIT4";
const char* const kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxKeyNameLength = 255;

bool holdsLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void appendLines(std::string& out, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        out += line;
        out += '\n';
    }
}

void moveInto(std::vector<std::string>& to, std::vector<std::string>& from)
{
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    from.clear();
}

} // namespace

struct RegistryHive::Key
{
    struct Slot
    {
        RegistryValue value;
        std::uint64_t order = 0; // values are written in the order they were first set
        std::vector<std::string> comments;
    };

    // False for a key the file named only as the parent of another: it is written
    // out on its own only once it holds something.
    bool listed = true;
    std::vector<std::string> comments;
    std::map<std::string, std::unique_ptr<Key>, text::NoCaseLess> children;
    std::unordered_map<std::string, Slot, text::NoCaseHash, text::NoCaseEqual> values;
    std::uint64_t nextOrder = 0;

    Slot& set(const std::string& name, RegistryValue value)
    {
        const auto [it, added] = values.try_emplace(name);
        if (added)
            it->second.order = nextOrder++;
        it->second.value = std::move(value);
        return it->second;
    }

    std::unique_ptr<Key> clone() const
    {
        auto copy = std::make_unique<Key>();
        copy->listed = listed;
        copy->comments = comments;
        copy->values = values;
        copy->nextOrder = nextOrder;
        for (const auto& [name, child] : children)
            copy->children.emplace(name, child->clone());
        return copy;
    }

    bool writtenOnItsOwn() const { return listed || !values.empty() || !comments.empty() || children.empty(); }
};

std::optional<std::vector<std::string>> splitKeyPath(const std::string& path)
{
    std::vector<std::string> names;
    if (path.empty())
        return names;
    std::size_t pos = 0;
    while (true) {
        if (names.size() == RegistryHive::kMaxDepth)
            return std::nullopt;
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

RegistryHive::RegistryHive(std::string rootName) : root(std::move(rootName)), top(std::make_unique<Key>()) {}

RegistryHive::~RegistryHive() = default;
RegistryHive::RegistryHive(RegistryHive&& other) noexcept = default;
RegistryHive& RegistryHive::operator=(RegistryHive&& other) noexcept = default;

RegistryHive::RegistryHive(const RegistryHive& other)
    : root(other.root), top(other.top->clone()), headComments(other.headComments), tailComments(other.tailComments)
{
}

RegistryHive& RegistryHive::operator=(const RegistryHive& other)
{
    if (this != &other)
        *this = RegistryHive(other);
    return *this;
}

RegistryHive::Key* RegistryHive::findKey(const std::string& path) const
{
    const auto names = splitKeyPath(path);
    if (!names)
        return nullptr;
    Key* key = top.get();
    for (const std::string& name : *names) {
        const auto it = key->children.find(name);
        if (it == key->children.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

RegistryHive::Key* RegistryHive::createKey(const std::vector<std::string>& names, bool parentsImplied)
{
    Key* key = top.get();
    for (const std::string& name : names) {
        auto it = key->children.find(name);
        if (it == key->children.end()) {
            auto child = std::make_unique<Key>();
            child->listed = !parentsImplied;
            it = key->children.emplace(name, std::move(child)).first;
        }
        key = it->second.get();
    }
    key->listed = true;
    return key;
}

bool RegistryHive::hasKey(const std::string& path) const
{
    return findKey(path) != nullptr;
}

std::optional<std::string> RegistryHive::storedPath(const std::string& path) const
{
    const auto names = splitKeyPath(path);
    if (!names)
        return std::nullopt;
    std::string stored;
    const Key* key = top.get();
    for (const std::string& name : *names) {
        const auto it = key->children.find(name);
        if (it == key->children.end())
            return std::nullopt;
        if (!stored.empty())
            stored += '\\';
        stored += it->first;
        key = it->second.get();
    }
    return stored;
}

void RegistryHive::createKey(const std::string& path)
{
    if (const auto names = splitKeyPath(path))
        createKey(*names, false);
}

void RegistryHive::deleteKey(const std::string& path)
{
    const auto names = splitKeyPath(path);
    if (!names || names->empty())
        return;
    Key* parent = top.get();
    for (std::size_t i = 0; i + 1 < names->size(); ++i) {
        const auto it = parent->children.find((*names)[i]);
        if (it == parent->children.end())
            return;
        parent = it->second.get();
    }
    parent->children.erase(names->back());
}

std::optional<RegistryValue> RegistryHive::value(const std::string& keyPath, const std::string& name) const
{
    const Key* key = findKey(keyPath);
    if (!key)
        return std::nullopt;
    const auto it = key->values.find(name);
    if (it == key->values.end())
        return std::nullopt;
    return it->second.value;
}

void RegistryHive::setValue(const std::string& keyPath, const std::string& name, RegistryValue value)
{
    Key* key = findKey(keyPath);
    if (!key) {
        const auto names = splitKeyPath(keyPath);
        if (!names)
            return;
        key = createKey(*names, false);
    }
    key->set(name, std::move(value));
}

bool RegistryHive::deleteValue(const std::string& keyPath, const std::string& name)
{
    Key* key = findKey(keyPath);
    return key && key->values.erase(name) > 0;
}

// Reads a hive file line by line into a hive, holding on to the key the lines
// are in and to the comment lines that wait for the next line to belong to.
class RegistryHive::Parser
{
public:
    Parser(const std::string& rootName, std::string_view text) : hive(rootName), reader(text) {}

    std::optional<RegistryHive> run(std::string* problem)
    {
        std::string rawLine;
        while (reader.next(rawLine, lineNumber)) {
            if (!take(text::trimmed(rawLine))) {
                if (problem)
                    *problem = "line " + std::to_string(lineNumber) + ": " + failure;
                return std::nullopt;
            }
        }
        if (!headerSeen) {
            if (problem)
                *problem = std::string("no \"") + kHeader + "\" line";
            return std::nullopt;
        }
        hive.tailComments = std::move(pendingComments);
        return std::move(hive);
    }

private:
    bool fail(const char* reason)
    {
        failure = reason;
        return false;
    }

    bool take(std::string_view line)
    {
        if (line.empty())
            return true;
        if (line[0] == ';') {
            // Kept without trailing blanks or carriage returns, so it reads back the same.
            pendingComments.emplace_back(line.substr(0, line.find_last_not_of(" \t\r") + 1));
            return true;
        }
        if (!headerSeen) {
            if (line != kHeader && line != kOldHeader)
                return fail("the file does not start with a registry export header");
            headerSeen = true;
            hive.headComments = std::move(pendingComments);
            pendingComments.clear();
            return true;
        }
        if (line.front() == '[' && line.back() == ']')
            return keyLine(line.substr(1, line.size() - 2));
        return valueLine(line);
    }

    bool keyLine(std::string_view full)
    {
        const bool deletes = !full.empty() && full[0] == '-';
        if (deletes)
            full.remove_prefix(1);
        const std::string& rootName = hive.root;
        std::string path;
        if (text::equalNoCase(full, rootName))
            path.clear();
        else if (full.size() > rootName.size() && full[rootName.size()] == '\\' &&
                 text::equalNoCase(full.substr(0, rootName.size()), rootName))
            path = full.substr(rootName.size() + 1);
        else
            return fail("a key outside this hive");
        const auto names = splitKeyPath(path);
        if (!names) {
            if (static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) >= kMaxDepth)
                return fail("a key deeper than 512 levels");
            return fail("a key name that is empty, longer than 255 characters or holds a line break");
        }
        if (deletes) {
            hive.deleteKey(path);
            current = nullptr;
            inDeletedKey = true;
            return true; // comments before it wait for the next line that stays
        }
        current = hive.createKey(*names, true);
        moveInto(current->comments, pendingComments);
        inDeletedKey = false;
        return true;
    }

    bool valueLine(std::string_view line)
    {
        if (!current && !inDeletedKey)
            return fail("a value line before the first key");
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto quotedName = text::readQuoted(line, pos);
            if (!quotedName)
                return fail("neither a key line nor a value line");
            name = std::move(*quotedName);
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return fail("a value name without '='");
        const std::string_view data = text::trimmed(line.substr(pos + 1));
        if (inDeletedKey)
            return true; // values of a deleted key are dropped with it
        if (data == "-") {
            current->values.erase(name);
            return true;
        }
        auto value = text::parseData(data);
        if (!value)
            return fail("value data that is not a string, dword:, hex: or hex(type):");
        moveInto(current->set(name, std::move(*value)).comments, pendingComments);
        return true;
    }

    RegistryHive hive;
    text::LineReader reader;
    std::size_t lineNumber = 0;
    bool headerSeen = false;
    Key* current = nullptr; // null before the first key and inside a deleted key
    bool inDeletedKey = false;
    std::vector<std::string> pendingComments;
    std::string failure;
};

std::optional<RegistryHive> RegistryHive::parse(const std::string& rootName, std::string_view text,
                                                std::string* problem)
{
    if (text.substr(0, 3) == kByteOrderMark)
        text.remove_prefix(3);
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        if (problem)
            *problem =
                "line " + std::to_string(1 + std::count(text.begin(), text.begin() + nul, '\n')) + ": a NUL byte";
        return std::nullopt;
    }
    return Parser(rootName, text).run(problem);
}

void RegistryHive::write(const Key& key, std::string& path, std::string& out) const
{
    const bool isRoot = &key == top.get();
    if (isRoot ? !(key.values.empty() && key.comments.empty()) : key.writtenOnItsOwn()) {
        out += '\n';
        appendLines(out, key.comments);
        out += '[';
        out += root;
        out += path;
        out += "]\n";
        std::vector<const std::pair<const std::string, Key::Slot>*> ordered;
        ordered.reserve(key.values.size());
        for (const auto& entry : key.values)
            ordered.push_back(&entry);
        std::sort(ordered.begin(), ordered.end(),
                  [](const auto* a, const auto* b) { return a->second.order < b->second.order; });
        for (const auto* entry : ordered) {
            appendLines(out, entry->second.comments);
            const std::string lead = (entry->first.empty() ? std::string("@") : text::quoted(entry->first)) + "=";
            out += lead;
            out += text::formatData(entry->second.value, lead.size());
            out += '\n';
        }
    }
    for (const auto& [name, child] : key.children) {
        const std::size_t mark = path.size();
        path += '\\';
        path += name;
        write(*child, path, out);
        path.resize(mark);
    }
}

std::string RegistryHive::serialise() const
{
    std::string out;
    appendLines(out, headComments);
    out += kHeader;
    out += '\n';
    std::string path;
    write(*top, path, out);
    if (!tailComments.empty()) {
        out += '\n';
        appendLines(out, tailComments);
    }
    return out;
}

} // namespace win32
