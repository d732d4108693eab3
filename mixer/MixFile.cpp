#include "MixFile.h"

#include "DiskFile.h"
#include "MixFileFormat.h"

#include <utility>

MixFile::MixFile(std::string filePath) : path(std::move(filePath)) {}

MixFile MixFile::open(const std::string& path)
{
    MixFile file(path);
    const auto contents = diskfile::read(path, mixfile::maxContentBytes);
    switch (contents.state) {
    case diskfile::Contents::State::Missing:
        return file;
    case diskfile::Contents::State::Unreadable:
        file.state = State::Unreadable;
        file.problem = contents.problem;
        return file;
    case diskfile::Contents::State::Read:
        break;
    }
    if (contents.bytes.empty()) {
        file.state = State::Empty;
        return file;
    }

    auto result = mixfile::parse(reinterpret_cast<const std::uint8_t*>(contents.bytes.data()), contents.bytes.size());
    file.properties = std::move(result.properties);
    switch (result.outcome) {
    case mixfile::Outcome::Complete:
        file.state = State::Read;
        break;
    case mixfile::Outcome::Damaged:
        file.state = State::Damaged;
        file.problem = "damaged";
        break;
    case mixfile::Outcome::NotRecognised:
        file.state = State::Unreadable;
        file.problem = "not a mixer file";
        break;
    }
    return file;
}

bool MixFile::save()
{
    saveProblem.clear();
    if (!diskfile::replace(path, mixfile::serialise(properties), &saveProblem))
        return false;
    state = State::Read;
    problem.clear();
    return true;
}
