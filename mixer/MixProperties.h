// The key/value pairs of a mix or state file, in file order. Keys and values
// are the file's bytes: keys the mixer does not know are written back as they
// were read. Setting a key replaces its value in place or appends the pair at
// the end. Keys match exactly, and are found through an index: a file of many
// keys costs no more per key than one of few.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class MixProperties
{
public:
    using Pair = std::pair<std::string, std::string>;

    void set(const std::string& key, const std::string& value);
    // Null when the key is missing.
    const std::string* find(const std::string& key) const;

    void setBool(const std::string& key, bool value) { set(key, value ? "1" : "0"); }
    void setInt(const std::string& key, int value) { set(key, std::to_string(value)); }
    // At most nine significant digits, no trailing zeros: 228 is "228".
    void setReal(const std::string& key, double value);

    // The decimal integer the value's leading digits give ("127.5" is 127, "x"
    // is 0), saturated to the range of int; `fallback` when the key is missing.
    int getInt(const std::string& key, int fallback) const;
    bool getBool(const std::string& key, bool fallback) const { return getInt(key, fallback ? 1 : 0) != 0; }

    const std::vector<Pair>& pairs() const { return entries; }
    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }

    // Removes the pairs for which `drop` (given the pair's position) is true.
    void removeIf(const std::function<bool(std::size_t)>& drop);

    bool operator==(const MixProperties& other) const { return entries == other.entries; }

    static int leadingInteger(const std::string& text);
    static std::string formatReal(double value);

private:
    std::vector<Pair> entries;
    std::unordered_map<std::string, std::size_t> positions; // key -> index in entries
};
