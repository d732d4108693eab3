#include "FileStamp.h"

#include <algorithm>
#include <ctime>

namespace win32 {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::int64_t kFineMargin = 100'000'000;                 // far above a clock tick
constexpr std::int64_t kCoarseMargin = 2 * kNanosecondsPerSecond; // file systems that keep seconds

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

} // namespace

bool FileStamp::operator==(const FileStamp& other) const
{
    return device == other.device && inode == other.inode && size == other.size && modified == other.modified &&
           changed == other.changed;
}

bool FileStamp::settledBefore(std::int64_t readingStarted) const
{
    const bool fineTimes = modified % kNanosecondsPerSecond != 0 || changed % kNanosecondsPerSecond != 0;
    return std::max(modified, changed) + (fineTimes ? kFineMargin : kCoarseMargin) < readingStarted;
}

std::int64_t FileStamp::now()
{
    timespec time{};
    ::clock_gettime(CLOCK_REALTIME, &time);
    return nanoseconds(time);
}

FileStamp stampOf(const struct stat& info)
{
    return FileStamp{info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

} // namespace win32
