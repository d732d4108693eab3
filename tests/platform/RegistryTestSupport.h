// A registry of its own for one test: a fresh temporary hive folder named by
// TESSARY_REGISTRY_DIR for the test's lifetime.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testing_support {

class ScopedRegistry
{
public:
    ScopedRegistry()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessary-registry-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        if (const char* old = std::getenv("TESSARY_REGISTRY_DIR"))
            previous = old;
        ::setenv("TESSARY_REGISTRY_DIR", folder.c_str(), 1);
    }
    ~ScopedRegistry()
    {
        std::error_code ignored;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(folder, ignored);
        if (previous.empty())
            ::unsetenv("TESSARY_REGISTRY_DIR");
        else
            ::setenv("TESSARY_REGISTRY_DIR", previous.c_str(), 1);
    }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    std::string machineHive() const { return folder + "/HKEY_LOCAL_MACHINE.reg"; }
    std::string userHive() const { return folder + "/HKEY_CURRENT_USER.reg"; }

    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string folder;

private:
    std::string previous;
};

} // namespace testing_support
