#include "LabelColours.h"

void LabelColours::applyTo(juce::Label& label) const
{
    label.setColour(juce::Label::textColourId, text);
    label.setColour(juce::Label::backgroundColourId, background);
    label.setColour(juce::Label::textWhenEditingColourId, textWhenEditing);
    label.setColour(juce::Label::backgroundWhenEditingColourId, backgroundWhenEditing);
    // The label hands its explicit colours on to the editor it opens.
    label.setColour(juce::TextEditor::highlightColourId, highlightWhenEditing);
    label.setColour(juce::Label::outlineColourId, outline);
}

const LabelColours LabelColours::levelReadout{juce::Colour(0xff90ee90u), juce::Colour(0x00000000u),
                                              juce::Colour(0xffffffffu), juce::Colour(0xff0000ffu),
                                              juce::Colour(0x00000000u), juce::Colour(0x00000000u)};

const LabelColours LabelColours::panReadout{juce::Colour(0xffffff00u), juce::Colour(0x00000000u),
                                            juce::Colour(0xffffffffu), juce::Colour(0xff0000ffu),
                                            juce::Colour(0x00000000u), juce::Colour(0x00000000u)};

const LabelColours LabelColours::namePlate{juce::Colour(0xffffffffu), juce::Colour(0x00000000u),
                                           juce::Colour(0xffffffffu), juce::Colour(0xff000000u),
                                           juce::Colour(0xff0000ffu), juce::Colour(0x00000000u)};
