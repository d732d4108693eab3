// A mix or state file on disk and the pairs read from it. Opening never fails:
// a file that is missing, damaged or not of this format gives the pairs that
// could be read (maybe none) and says which it was. Saving writes the whole
// file once, in one step.
#pragma once

#include "MixProperties.h"

#include <string>

class MixFile
{
public:
    enum class State {
        Missing,    // no file at the path
        Read,       // read whole
        Empty,      // a file of no bytes: nothing in it to lose
        Damaged,    // read up to damage or a size limit; the pairs before it kept
        Unreadable, // could not be read, or not of this format
    };

    explicit MixFile(std::string path);

    // Reads the file at `path`.
    static MixFile open(const std::string& path);

    // Replaces the file with `properties`; false when it could not (the file on
    // disk is then as it was, and getSaveProblem says why).
    bool save();
    const std::string& getSaveProblem() const { return saveProblem; }

    const std::string& getPath() const { return path; }
    State getState() const { return state; }
    bool exists() const { return state != State::Missing; }
    // True when the file holds something this program could not read whole, which
    // writing over it would lose.
    bool holdsUnreadData() const { return state == State::Damaged || state == State::Unreadable; }
    // Why the file could not be read whole; empty otherwise.
    const std::string& getProblem() const { return problem; }

    MixProperties properties;

private:
    std::string path;
    State state{State::Missing};
    std::string problem;
    std::string saveProblem;
};
