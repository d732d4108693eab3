#include "FontObject.h"

#include "ByteReader.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>

namespace win32::detail {

namespace {

constexpr int kBoldFrom = 600;
constexpr int kDefaultEm = 11; // 8 points at 96 DPI
constexpr const char* kFontFolders[] = {"/usr/share/wine/fonts", "/usr/share/fonts/truetype/wine"};

int roundedScale(int units, int em, int unitsPerEm)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * em / unitsPerEm));
}

// JUCE normalises a face by one of its ascender and descender pairs; the one
// whose proportion matches JUCE's ascent is the one it used.
double juceHeightPerEm(const TrueTypeMetrics& m, float juceAscent)
{
    const std::pair<int, int> pairs[] = {
        {m.hheaAscender, m.hheaDescender}, {m.typoAscender, m.typoDescender}, {m.winAscent, -m.winDescent}};
    double best = 1.0;
    double bestError = 1.0e9;
    for (const auto& [ascender, descender] : pairs) {
        const int height = ascender - descender;
        if (height <= 0)
            continue;
        const double error = std::abs(static_cast<double>(ascender) / height - juceAscent);
        if (error < bestError) {
            bestError = error;
            best = static_cast<double>(height) / m.unitsPerEm;
        }
    }
    return best;
}

FontFace loadFace(const char* fileName)
{
    FontFace face;
    for (const char* folder : kFontFolders) {
        juce::MemoryBlock data;
        if (!juce::File(folder).getChildFile(fileName).loadFileAsData(data))
            continue;
        if (!readTrueTypeMetrics(data.getData(), data.getSize(), face.metrics))
            continue;
        face.typeface = juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
        if (face.typeface == nullptr)
            continue;
        face.juceHeightPerEm = juceHeightPerEm(face.metrics, face.typeface->getAscent());
        return face;
    }
    // No Tahoma-metric face: the default face, with a cell of 1.2 ems split as JUCE splits it.
    face.typeface = juce::Font(juce::Font::getDefaultSansSerifFontName(), 12.0f, juce::Font::plain).getTypefacePtr();
    face.juceHeightPerEm = 1.2;
    face.metrics.unitsPerEm = 1000;
    face.metrics.winAscent = static_cast<int>(std::lround(1200.0 * face.typeface->getAscent()));
    face.metrics.winDescent = 1200 - face.metrics.winAscent;
    face.metrics.hheaAscender = face.metrics.winAscent;
    face.metrics.hheaDescender = -face.metrics.winDescent;
    face.metrics.averageCharWidth = 500;
    return face;
}

} // namespace

const FontFace& mappedFace(const std::u16string&, int weight)
{
    static std::mutex mutex;
    static std::map<bool, FontFace> faces;
    const bool bold = weight >= kBoldFrom;
    std::lock_guard<std::mutex> guard(mutex);
    auto found = faces.find(bold);
    if (found == faces.end())
        found = faces.emplace(bold, loadFace(bold ? "tahomabd.ttf" : "tahoma.ttf")).first;
    return found->second;
}

FontObject::FontObject(int height, int weight, bool italic, const std::u16string& faceName)
    : face(mappedFace(faceName, weight))
{
    const TrueTypeMetrics& m = face.metrics;
    if (height < 0)
        em = -height;
    else if (height > 0) // a cell height: ascent plus descent
        em = std::max(1, static_cast<int>(std::lround(static_cast<double>(height) * m.unitsPerEm /
                                                      std::max(1, m.winAscent + m.winDescent))));
    else
        em = kDefaultEm;

    juceFont = juce::Font(face.typeface).withHeight(static_cast<float>(em * face.juceHeightPerEm));
    if (italic)
        juceFont.setItalic(true);

    metrics.tmAscent = roundedScale(m.winAscent, em, m.unitsPerEm);
    metrics.tmDescent = roundedScale(m.winDescent, em, m.unitsPerEm);
    metrics.tmHeight = metrics.tmAscent + metrics.tmDescent;
    metrics.tmInternalLeading = metrics.tmHeight - em;
    const int hheaHeight = m.hheaAscender - m.hheaDescender;
    const int externalGap = m.hheaLineGap - ((m.winAscent + m.winDescent) - hheaHeight);
    metrics.tmExternalLeading = std::max(0, roundedScale(externalGap, em, m.unitsPerEm));
    metrics.tmAveCharWidth = roundedScale(m.averageCharWidth, em, m.unitsPerEm);
    metrics.tmWeight = weight == FW_DONTCARE ? FW_NORMAL : weight;
    metrics.tmDigitizedAspectX = 96;
    metrics.tmDigitizedAspectY = 96;
    metrics.tmFirstChar = 0x1E;
    metrics.tmLastChar = 0xFF;
    metrics.tmDefaultChar = 0x1F;
    metrics.tmBreakChar = 0x20;
    metrics.tmItalic = italic ? 1 : 0;
    metrics.tmPitchAndFamily = 0x27; // variable pitch, vector, TrueType, Swiss
    metrics.tmCharSet = ANSI_CHARSET;
    advances.fill(-1);
    int widest = 0;
    for (unsigned char c = 'A'; c <= 'Z'; ++c)
        widest = std::max(widest, advance(c));
    metrics.tmMaxCharWidth = widest;
}

int FontObject::advance(unsigned char character) const
{
    int& cached = advances[character];
    if (cached < 0 && character == 0)
        cached = 0;
    if (cached < 0) {
        const char ansi[] = {static_cast<char>(character), '\0'};
        const std::u16string wide = fromAnsi(ansi);
        const float width =
            juceFont.getStringWidthFloat(juce::String::charToString(static_cast<juce::juce_wchar>(wide[0])));
        cached = juce::roundToInt(width);
    }
    return cached;
}

} // namespace win32::detail
