// What the code under test writes to stderr while one of these lives.
#pragma once

#include <cstdio>
#include <string>
#include <unistd.h>

class StderrCapture
{
public:
    StderrCapture() : file(std::tmpfile()), saved(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        ::dup2(::fileno(file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(file);
    }

    // Everything written so far; stderr is the test's own again from here on.
    std::string text()
    {
        restore();
        std::string all;
        std::rewind(file);
        char buffer[512];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            all.append(buffer, n);
        return all;
    }

    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        saved = -1;
    }

    std::FILE* file;
    int saved;
};
