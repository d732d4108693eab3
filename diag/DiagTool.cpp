#include "DiagTool.h"

#include "DepthSetting.h"
#include "DepthText.h"

namespace diag {

const std::array<DepthChoice, 5> kDepthChoices = {{
    {"Maximum (20 ms)", 20000},
    {"Very Long (12 ms)", 12000},
    {"Long (4 ms)", 4000},
    {"Medium (2 ms)  = Default", 2000},
    {"Small (1 ms)", 1000},
}};

const char* const kKeyNotFound = "Key not found! Please re-install driver.";
const char* const kReconnectAdvice = "Please disconnect and reconnect the Ostrel Tessary to enable the new setting.";
const char* const kWriteRefused =
    "The new setting could not be saved. Please run this program with administrative rights.";

int choiceForDepth(std::int32_t microseconds)
{
    for (int index = 0; index < static_cast<int>(kDepthChoices.size()); ++index)
        if (kDepthChoices[static_cast<std::size_t>(index)].microseconds == microseconds)
            return index;
    return kDefaultChoice;
}

std::string aboutText(const std::string& programName, ProgramVersion version)
{
    return programName + "  Version " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.revision) + "\n\n" +
           "Copyright (C) Brelmor/Halvaren. All rights reserved.\n"
           "Sets the stream buffer depth of the Ostrel Tessary driver.";
}

DiagTool::DiagTool(MessageBoxes& boxes_, std::function<void()> endProgram_)
    : boxes(boxes_), endProgram(std::move(endProgram_))
{
}

void DiagTool::startUp(std::function<void()> showWindow)
{
    const auto text = readDepthText();
    if (!text) {
        pending = 0;
        currentCaption.clear();
        boxes.warn(kKeyNotFound, std::move(showWindow));
        return;
    }
    pending = depthFromText(*text);
    currentCaption = millisecondsCaption(pending);
    showWindow();
}

void DiagTool::choose(int index)
{
    if (index >= 0 && index < static_cast<int>(kDepthChoices.size()))
        pending = kDepthChoices[static_cast<std::size_t>(index)].microseconds;
}

void DiagTool::confirm()
{
    if (ending)
        return;
    ending = true;
    auto advise = [this] { boxes.warn(kReconnectAdvice, [this] { finish(); }); };
    switch (writeDepth(pending)) {
    case WriteResult::Written:
        advise();
        break;
    case WriteResult::KeyNotFound:
        boxes.warn(kKeyNotFound, advise);
        break;
    case WriteResult::Refused:
        // Advising a reconnect here would claim a setting that was never stored.
        boxes.warn(kWriteRefused, [this] { finish(); });
        break;
    }
}

void DiagTool::cancel()
{
    if (ending)
        return;
    ending = true;
    finish();
}

void DiagTool::showAbout(const std::string& programName, ProgramVersion version)
{
    boxes.inform(aboutText(programName, version), [] {});
}

void DiagTool::finish()
{
    if (endProgram)
        endProgram();
}

} // namespace diag
