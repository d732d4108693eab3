#include "FrmMain.h"

#include "DiagLookAndFeel.h"

namespace diag {
namespace {

constexpr int kRadioGroup = 1;

struct TwipsBounds
{
    int left, top, width, height;
};

// Option button places, by option index (index 4 at the top).
const std::array<TwipsBounds, 5> kOptionBounds = {{
    {360, 2850, 2055, 255},
    {360, 2350, 1575, 255},
    {360, 1850, 1815, 255},
    {360, 1350, 2350, 255},
    {360, 850, 1850, 255},
}};

} // namespace

FrmMain::FrmMain(DiagTool& tool_, std::function<void()> onAbout) : tool(tool_)
{
    setName("FrmMain");
    addAndMakeVisible(about);
    about.onClick = std::move(onAbout);

    addAndMakeVisible(Frame1);
    Frame1.setExplicitFocusOrder(1);
    for (juce::Label* label : {&Label1, &Lbl_BufferD, &Label2}) {
        label->setBorderSize({});
        label->setJustificationType(juce::Justification::topLeft);
        label->setInterceptsMouseClicks(false, false);
        Frame1.addAndMakeVisible(*label);
    }
    Label1.setExplicitFocusOrder(2);
    Lbl_BufferD.setExplicitFocusOrder(3);
    Lbl_BufferD.setText(juce::String::fromUTF8(tool.currentDepthCaption().c_str()), juce::dontSendNotification);
    Label2.setExplicitFocusOrder(11);

    for (int index = 0; index < static_cast<int>(Option1.size()); ++index) {
        auto& option = Option1[static_cast<std::size_t>(index)];
        option.setName("Option1(" + juce::String(index) + ")");
        option.setButtonText(kDepthChoices[static_cast<std::size_t>(index)].caption);
        option.setRadioGroupId(kRadioGroup);
        option.setExplicitFocusOrder(4 + index);
        option.onClick = [this, index] {
            if (Option1[static_cast<std::size_t>(index)].getToggleState())
                tool.choose(index);
        };
        Frame1.addAndMakeVisible(option);
    }

    Command1.setExplicitFocusOrder(9);
    Command1.onClick = [this] { tool.confirm(); };
    addAndMakeVisible(Command1);
    Command2.setExplicitFocusOrder(10);
    Command2.onClick = [this] { tool.cancel(); };
    addAndMakeVisible(Command2);

    // Selecting the stored depth's choice makes it the pending depth, as a click would.
    Option1[static_cast<std::size_t>(tool.preselectedChoice())].setToggleState(true, juce::sendNotificationSync);

    setSize(pixels(kClientWidthTwips), kMenuBarHeight + pixels(kClientHeightTwips));
}

int FrmMain::pixels(int twips)
{
    return juce::roundToInt(twips / 15.0);
}

void FrmMain::placeInFrame(juce::Component& control, int left, int top, int width, int height)
{
    control.setBounds(pixels(left), pixels(top), pixels(width), pixels(height));
}

void FrmMain::paint(juce::Graphics& g)
{
    g.fillAll(findColour(juce::ResizableWindow::backgroundColourId));
    g.setColour(juce::Colours::white);
    g.fillRect(0, 0, getWidth(), kMenuBarHeight);
    g.setColour(juce::Colour(0xffdadada));
    g.drawHorizontalLine(kMenuBarHeight - 1, 0.0f, static_cast<float>(getWidth()));
}

void FrmMain::resized()
{
    about.setBounds(2, 1, about.preferredWidth(), kMenuBarHeight - 2);
    const int top = kMenuBarHeight;

    Frame1.setBounds(pixels(120), top + pixels(120), pixels(3855), pixels(4575));
    placeInFrame(Label1, 360, 450, 735, 375);
    placeInFrame(Lbl_BufferD, 1080, 450, 1095, 255);
    placeInFrame(Label2, 360, 3360, 3255, 975);
    for (std::size_t index = 0; index < Option1.size(); ++index) {
        const auto& place = kOptionBounds[index];
        auto& option = Option1[index];
        placeInFrame(option, place.left, place.top, place.width, place.height);
        // Wide enough for its caption: this font runs wider than the one the form was designed with.
        const int needed =
            DiagLookAndFeel::kOptionBoxWidth + DiagLookAndFeel::dialogFont().getStringWidth(option.getButtonText()) + 6;
        option.setSize(juce::jmax(option.getWidth(), needed), option.getHeight());
    }

    Command1.setBounds(pixels(2040), top + pixels(4920), pixels(855), pixels(375));
    Command2.setBounds(pixels(3120), top + pixels(4920), pixels(855), pixels(375));
}

} // namespace diag
