#include "MixerSlider.h"

#include "MixerLookAndFeel.h"
#include "ProportionalRounding.h"

#include <cmath>

namespace {

constexpr int horizontalTrackInset = 8;
constexpr int valueBoxGap = 10;
constexpr int maximumValueBoxWidth = 64;
constexpr double valueBoxShareOfWidth = 0.6;
constexpr int verticalBottomInset = 17;
constexpr int verticalTrackShortfall = 40;
constexpr double wheelShareOfRange = 0.04;
constexpr float valueBoxFontHeight = 12.0f;

// Digits after the point needed to show multiples of `interval`: 7 minus one
// for every trailing zero of the interval scaled by 10^7.
int decimalPlacesForInterval(double interval)
{
    int places = 7;

    if (interval != 0.0) {
        auto scaled = static_cast<long long>(std::abs(interval * 10000000.0));

        while (scaled != 0 && scaled % 10 == 0) {
            scaled /= 10;
            --places;
        }
    }

    return places;
}

// The longest prefix of `text` that reads as [-]digits[.digits].
juce::String leadingDecimalNumber(const juce::String& text)
{
    auto* start = text.toRawUTF8();
    auto* p = start;
    bool anyDigit = false;

    if (*p == '-')
        ++p;

    while (*p >= '0' && *p <= '9') {
        ++p;
        anyDigit = true;
    }

    if (*p == '.') {
        ++p;

        while (*p >= '0' && *p <= '9') {
            ++p;
            anyDigit = true;
        }
    }

    return anyDigit ? juce::String(start, static_cast<size_t>(p - start)) : juce::String();
}

bool anyMouseButtonHeld(const juce::MouseEvent& e)
{
    return e.mods.isAnyMouseButtonDown() || juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown();
}

} // namespace

MixerSlider::MixerSlider(const juce::String& componentName) : juce::Component(componentName)
{
    rebuildValueBox();
    setWantsKeyboardFocus(true);
    updateText();
}

MixerSlider::~MixerSlider()
{
    valueBox->removeListener(this);
    valueBox.reset();
}

void MixerSlider::setRange(double newMinimum, double newMaximum, double newInterval)
{
    if (newMinimum == minimum && newMaximum == maximum && newInterval == interval)
        return;

    minimum = newMinimum;
    maximum = newMaximum;
    interval = newInterval;
    numDecimalPlaces = decimalPlacesForInterval(interval);

    setValue(value, false, false);
    updateText();
}

double MixerSlider::constrainValue(double proposed) const
{
    // A NaN (say from a damaged mix file) would otherwise stick and compare
    // unequal to itself on every later call.
    if (std::isnan(proposed) || proposed <= minimum || maximum <= minimum)
        return minimum;

    if (proposed >= maximum)
        return maximum;

    if (interval > 0.0)
        return minimum + interval * std::floor((proposed - minimum) / interval + 0.5);

    return proposed;
}

void MixerSlider::setValue(double newValue, bool sendUpdateMessage, bool sendMessageSynchronously)
{
    const double constrained = constrainValue(newValue);

    if (constrained == value)
        return;

    value = constrained;
    updateText();
    repaint();

    if (!sendUpdateMessage)
        return;

    if (sendMessageSynchronously)
        sendSynchronousChangeMessage();
    else
        sendChangeMessage();
}

void MixerSlider::setVertical(bool shouldBeVertical)
{
    if (vertical == shouldBeVertical)
        return;

    vertical = shouldBeVertical;
    resized();
}

void MixerSlider::setTextBoxProportion(float proportion)
{
    textBoxProportion = juce::jlimit(0.0f, 1.0f, proportion);
    resized();
}

juce::String MixerSlider::getTextFromValue(double valueToShow)
{
    if (numDecimalPlaces > 0)
        return juce::String(valueToShow, numDecimalPlaces);

    const double whole = std::trunc(valueToShow);

    if (std::abs(whole) < 9.0e18)
        return juce::String(static_cast<juce::int64>(whole));

    return juce::String(whole, 0);
}

double MixerSlider::getValueFromText(const juce::String& text)
{
    const auto number = leadingDecimalNumber(text.trim().retainCharacters("0123456789.-"));
    return number.isEmpty() ? 0.0 : number.getDoubleValue();
}

void MixerSlider::updateText()
{
    valueBox->setText(getTextFromValue(value), juce::dontSendNotification);
}

//==============================================================================
// Mapping between value and track.

double MixerSlider::proportionOfRange() const
{
    return (value - minimum) / (maximum - minimum);
}

float MixerSlider::getHorizontalThumbPosition() const
{
    const double start = horizontalTrackStart;
    const double length = horizontalTrackLength;

    if (maximum <= minimum)
        return static_cast<float>(start + 0.5 * length);
    if (value <= minimum)
        return static_cast<float>(start);
    if (value >= maximum)
        return static_cast<float>(start + length);

    return static_cast<float>(start + length * std::pow(proportionOfRange(), skewFactor));
}

int MixerSlider::getVerticalThumbY() const
{
    const double start = verticalTrackStart;
    const double length = verticalTrackLength;
    double negatedY = 0.0;

    if (maximum <= minimum)
        negatedY = start + 0.5 * length;
    else if (value <= minimum)
        negatedY = start;
    else if (value >= maximum)
        negatedY = start + length;
    else
        negatedY = start + length * std::pow(proportionOfRange(), skewFactor);

    return static_cast<int>(-negatedY);
}

int MixerSlider::pointerPositionAlongTrack(const juce::MouseEvent& e) const
{
    return vertical ? -e.y : e.x;
}

double MixerSlider::absoluteValueAt(int position) const
{
    const int start = trackStart();
    const int length = trackLength();

    if (position <= start)
        return minimum;
    if (position >= start + length)
        return maximum;

    const double share = static_cast<double>(position - start) / length;
    return minimum + (maximum - minimum) * std::pow(share, 1.0 / skewFactor);
}

bool MixerSlider::wantsFineMode(const juce::MouseEvent& e) const
{
    const bool modifierHeld = e.mods.isShiftDown() || e.mods.isCtrlDown() || e.mods.isAltDown();
    const int length = trackLength();

    return modifierHeld && length > 0 && (maximum - minimum) / length >= interval;
}

// The fine step grows with the square of the pointer movement, so slow moves
// give half-interval nudges and fast ones still cover the range.
double MixerSlider::fineStepFrom(int position) const
{
    const int length = trackLength();
    const int distance = juce::jlimit(-length, length, position - lastDragPosition);
    const double speed = std::max(0.0, static_cast<double>(distance) * distance - 2.0) / 2.0;
    const double delta = 0.5 * interval + (maximum - minimum) * speed / (static_cast<double>(length) * length);
    const double stepped = position >= lastDragPosition ? valueWhenLastDragged + delta : valueWhenLastDragged - delta;

    return juce::jlimit(minimum, maximum, stepped);
}

//==============================================================================
// Pointer and wheel.

void MixerSlider::mouseDown(const juce::MouseEvent& e)
{
    if (!hasUsableRange())
        return;

    dragging = true;
    startedDragging();
    lastDragPosition = pointerPositionAlongTrack(e);
    valueWhenLastDragged = value;

    // A press puts the thumb under the pointer, as a drag does.
    mouseDrag(e);
}

void MixerSlider::mouseDrag(const juce::MouseEvent& e)
{
    if (!hasUsableRange())
        return;

    const int position = pointerPositionAlongTrack(e);

    if (wantsFineMode(e)) {
        if (position == lastDragPosition)
            return;

        const double stepped = fineStepFrom(position);
        setValue(stepped, true, false);
        lastDragPosition = position;
        valueWhenLastDragged = stepped;
        return;
    }

    valueWhenLastDragged = absoluteValueAt(position);
    setValue(valueWhenLastDragged, true, false);
    lastDragPosition = position;
}

void MixerSlider::mouseUp(const juce::MouseEvent&)
{
    if (!dragging)
        return;

    dragging = false;
    stoppedDragging();
}

void MixerSlider::mouseDoubleClick(const juce::MouseEvent&)
{
    if (minimum > 0.0 || maximum < 0.0)
        return;

    // The second press of a double-click is already inside its own drag.
    const bool wrap = !dragging;

    if (wrap)
        startedDragging();

    setValue(doubleClickReturnValue, true, true);

    if (wrap)
        stoppedDragging();
}

void MixerSlider::mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (maximum <= minimum || anyMouseButtonHeld(e))
        return;

    // A purely sideways scroll carries no increment for a one-axis control.
    if (wheel.deltaY == 0.0f && wheel.deltaX != 0.0f)
        return;

    const double increment = wheel.deltaY;
    const double step = std::max(interval, std::abs(increment) * (maximum - minimum) * wheelShareOfRange);

    startedDragging();
    setValue(increment >= 0.0 ? value + step : value - step, true, true);
    stoppedDragging();
}

//==============================================================================
// Layout and drawing.

void MixerSlider::resized()
{
    if (vertical)
        layoutVertical();
    else
        layoutHorizontal();

    valueBox->setFont(juce::Font(valueBoxFontHeight, juce::Font::plain));
}

void MixerSlider::layoutHorizontal()
{
    const int width = getWidth();
    const int boxWidth = std::min(maximumValueBoxWidth, roundHalfToEven(valueBoxShareOfWidth * width));

    if (textBoxProportion > 0.0f) {
        const double boxShare = width > 0 ? static_cast<double>(boxWidth) / width : 0.0;
        horizontalTrackStart = roundHalfToEven(width * std::max(static_cast<double>(textBoxProportion), boxShare));
        valueBox->setVisible(true);
    } else {
        horizontalTrackStart = horizontalTrackInset;
        valueBox->setVisible(false);
    }

    horizontalTrackLength = width - horizontalTrackInset - horizontalTrackStart;
    valueBox->setBounds(0, 0, std::max(0, horizontalTrackStart - valueBoxGap), getHeight());
}

void MixerSlider::layoutVertical()
{
    const int height = getHeight();

    valueBox->setVisible(false);
    verticalTrackStart = verticalBottomInset - height;
    verticalTrackLength = height - verticalTrackShortfall;
}

void MixerSlider::paint(juce::Graphics& g)
{
    auto* look = dynamic_cast<MixerLookAndFeel*>(&getLookAndFeel());

    if (look == nullptr)
        return;

    if (vertical)
        look->drawLinearSlider(g, verticalTrackStart, getVerticalThumbY(), verticalTrackLength, getWidth(), 0.0f,
                               *this);
    else
        look->drawLinearSlider(g, horizontalTrackStart, 0, horizontalTrackLength, getHeight(),
                               getHorizontalThumbPosition(), *this);
}

//==============================================================================
// Value box.

void MixerSlider::lookAndFeelChanged()
{
    rebuildValueBox();
    resized();
}

void MixerSlider::rebuildValueBox()
{
    if (valueBox != nullptr)
        valueBox->removeListener(this);

    valueBox = std::make_unique<juce::Label>("number", "number");
    addChildComponent(*valueBox);
    valueBox->setEditable(editable, false, false);
    valueBox->addListener(this);

    if (auto* look = dynamic_cast<MixerLookAndFeel*>(&getLookAndFeel())) {
        const auto colours = look->getSliderColours(*this);
        valueBox->setColour(juce::Label::textColourId, colours.text);
        valueBox->setColour(juce::Label::backgroundColourId, colours.outline.withMultipliedAlpha(0.5f));
        valueBox->setColour(juce::Label::outlineColourId, colours.highlight);
        valueBox->setColour(juce::TextEditor::textColourId, colours.text);
        valueBox->setColour(juce::TextEditor::highlightColourId, colours.highlight);
    }

    updateText();
}

void MixerSlider::editorShown(juce::Label*, juce::TextEditor& editor)
{
    editor.addListener(this);
}

// The box keeps whatever was typed once its editor closes; show the value
// that was actually taken instead.
void MixerSlider::labelTextChanged(juce::Label*)
{
    updateText();
}

// Focus is judged as the edit ends: taking a new value rewrites the box's
// text, and that closes its editor, which would otherwise drop the focus on
// the floor instead of handing it back to the slider.
void MixerSlider::commitValueBox(juce::TextEditor& editor, bool commit, bool cancel)
{
    const bool boxHadFocus = valueBox->hasKeyboardFocus(true);

    if (commit || !boxHadFocus)
        setValue(getValueFromText(editor.getText()), true, true);

    if ((commit || cancel) && boxHadFocus) {
        grabKeyboardFocus();
        updateText();
    }
}

void MixerSlider::textEditorReturnKeyPressed(juce::TextEditor& editor)
{
    commitValueBox(editor, true, false);
}

void MixerSlider::textEditorEscapeKeyPressed(juce::TextEditor& editor)
{
    commitValueBox(editor, false, true);
}

void MixerSlider::textEditorFocusLost(juce::TextEditor& editor)
{
    commitValueBox(editor, false, false);
}
