// The mixer's state file: the program's path with the extension "poo", beside
// the program. Where the program's folder cannot be written, or the program is
// an installed one (its folder is a bin folder), the state lives under the user's application-data folder with the
// same name instead, and until it has been written there it is read from
// beside the program. A file there that cannot be read whole is renamed aside
// ("<name>.unreadable") before the first write, never overwritten.
#pragma once

#include "MixFile.h"

#include <string>

class StateFile
{
public:
    struct Location
    {
        std::string readFrom;
        std::string writeTo; // empty when the state cannot be kept anywhere
    };

    // Reads the state of the program at `programPath`.
    explicit StateFile(const std::string& programPath);

    static Location locate(const std::string& programPath);
    // `programPath` with its extension replaced by "poo".
    static std::string besideProgram(const std::string& programPath);

    // Whether there was a file to read.
    bool exists() const { return file.exists(); }
    MixProperties& properties() { return file.properties; }
    const MixFile& getFile() const { return file; }
    const Location& getLocation() const { return location; }

    // Writes the properties where the state is kept. False when it was not
    // written (then nothing on disk changed, and getSaveProblem says why).
    bool save();
    const std::string& getSaveProblem() const { return saveProblem; }

private:
    bool keepUnreadFileAside();

    bool fail(std::string why);

    Location location;
    MixFile file;
    std::string saveProblem;
};
