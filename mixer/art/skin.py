#!/usr/bin/env python3
"""Vector sources of the mixer skin.

Writes one SVG per image of the mixer window into the folder given on the
command line; tools/render-art.sh turns them into the PNGs next to this file.
Shapes are positioned in the coordinates the controls use, so the fader slots,
read-out windows and switch wells line up with the controls drawn over them.
"""
import math
import os
import sys

FONT = "DejaVu Sans"
CONDENSED = "DejaVu Sans Condensed"

# Panel coordinates are offset from the panel's own by the window frame: the
# controls sit one pixel right of and three pixels below the panel pixels.
FRAME_DX = -1
FRAME_DY = 3


def svg(width, height, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n<defs>{defs}</defs>\n{body}\n</svg>\n')


def text(x, y, s, size, fill, anchor="middle", weight="normal", family=FONT, extra=""):
    return (f'<text x="{x}" y="{y}" font-family="{family}" font-size="{size}" font-weight="{weight}" '
            f'fill="{fill}" text-anchor="{anchor}" {extra}>{s}</text>')


# ---------------------------------------------------------------- panels

BRUSH_DEFS = """
<linearGradient id="metal" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#1a1c1f"/><stop offset="0.12" stop-color="#2a2d32"/>
  <stop offset="0.5" stop-color="#33373c"/><stop offset="0.88" stop-color="#2a2d32"/>
  <stop offset="1" stop-color="#17191b"/>
</linearGradient>
<linearGradient id="sheen" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.07"/>
  <stop offset="0.4" stop-color="#ffffff" stop-opacity="0"/>
  <stop offset="1" stop-color="#000000" stop-opacity="0.18"/>
</linearGradient>
<filter id="brush" x="0" y="0" width="1" height="1">
  <feTurbulence type="fractalNoise" baseFrequency="0.85 0.012" numOctaves="2" seed="7"/>
  <feColorMatrix type="matrix" values="0 0 0 0 1  0 0 0 0 1  0 0 0 0 1  1.4 0 0 0 -0.55"/>
</filter>
<filter id="brushDark" x="0" y="0" width="1" height="1">
  <feTurbulence type="fractalNoise" baseFrequency="0.7 0.01" numOctaves="2" seed="19"/>
  <feColorMatrix type="matrix" values="0 0 0 0 0  0 0 0 0 0  0 0 0 0 0  1.6 0 0 0 -0.6"/>
</filter>
<linearGradient id="slot" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#000000"/><stop offset="0.7" stop-color="#0b0c0d"/>
  <stop offset="1" stop-color="#26292d"/>
</linearGradient>
<linearGradient id="lcd" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#020403"/><stop offset="1" stop-color="#0b120d"/>
</linearGradient>
"""


def brushed(x, y, w, h):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="url(#metal)"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" filter="url(#brush)" opacity="0.10"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" filter="url(#brushDark)" opacity="0.35"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="url(#sheen)"/>')


def panel_edges(w, h):
    return (f'<rect x="0" y="0" width="1" height="{h}" fill="#4a4f56"/>'
            f'<rect x="{w - 1}" y="0" width="1" height="{h}" fill="#08090a"/>'
            f'<rect x="0" y="0" width="{w}" height="1" fill="#50565d"/>')


def recess(x, y, w, h, r=2, fill="#0d0f11"):
    """A well pressed into the metal: dark face, shadow at the top, highlight at the bottom."""
    return (f'<rect x="{x - 0.5}" y="{y - 0.5}" width="{w + 1}" height="{h + 1}" rx="{r + 0.5}" '
            f'fill="none" stroke="#5a6068" stroke-opacity="0.55"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{fill}"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="1.5" rx="0.7" fill="#000000" opacity="0.8"/>')


def screw(cx, cy):
    return (f'<circle cx="{cx}" cy="{cy}" r="2.6" fill="#15171a"/>'
            f'<circle cx="{cx}" cy="{cy}" r="2.1" fill="#767d86"/>'
            f'<circle cx="{cx - 0.5}" cy="{cy - 0.5}" r="1.2" fill="#9aa2ab"/>'
            f'<line x1="{cx - 1.6}" y1="{cy + 1.2}" x2="{cx + 1.6}" y2="{cy - 1.2}" stroke="#2b2f33" stroke-width="0.8"/>')


def fader_position(level, cap_height, fader_top, fader_height=170, skew=5.5):
    """Centre of the fader cap, in panel coordinates, for a level of 0..255."""
    proportion = (level / 255.0) ** skew
    thumb = (fader_height - 17) - (fader_height - 40) * proportion
    return fader_top + thumb - 19 + cap_height / 2 + FRAME_DY


FADER_MARKS = [(0, "0"), (5, "5"), (10, "10"), (15, "15"), (20, "20"), (30, "30"), (40, "40")]


def fader_scale(slot_x, cap_height, fader_top, label_x):
    parts = []
    top = fader_position(255, cap_height, fader_top)
    bottom = fader_position(0, cap_height, fader_top)
    parts.append(f'<rect x="{slot_x - 3}" y="{top - 6}" width="6" height="{bottom - top + 12}" rx="3" fill="url(#slot)"/>')
    parts.append(f'<rect x="{slot_x - 3.5}" y="{top - 6.5}" width="7" height="{bottom - top + 13}" rx="3.5" '
                 f'fill="none" stroke="#5d646c" stroke-opacity="0.5"/>')
    for db, label in FADER_MARKS:
        y = fader_position(255 - 2 * db, cap_height, fader_top)
        major = db in (0, 10, 20, 40)
        tick = 5 if major else 3
        parts.append(f'<rect x="{slot_x - 8 - tick}" y="{y - 0.5}" width="{tick}" height="1" fill="#c3c9d0"/>')
        parts.append(f'<rect x="{slot_x + 8}" y="{y - 0.5}" width="{tick}" height="1" fill="#c3c9d0"/>')
        parts.append(text(label_x, y + 2.5, label, 7, "#d5dbe2", anchor="end", family=CONDENSED))
    parts.append(f'<rect x="{slot_x - 11}" y="{bottom - 0.5}" width="3" height="1" fill="#c3c9d0"/>')
    parts.append(f'<rect x="{slot_x + 8}" y="{bottom - 0.5}" width="3" height="1" fill="#c3c9d0"/>')
    parts.append(text(label_x, bottom + 2.5, "&#8734;", 8, "#d5dbe2", anchor="end", family=CONDENSED))
    parts.append(text(label_x, top - 8, "dB", 6, "#8e969f", anchor="end", family=CONDENSED))
    return "".join(parts)


def channel_strip_top(w):
    """The top 285 pixels shared by the input and the playback strips."""
    body = [brushed(0, 0, w, 285)]
    body.append(recess(7 + FRAME_DX - 1, 5 + FRAME_DY - 1, 62, 24, r=4))          # pan control well
    body.append(fader_scale(36 + FRAME_DX, 40, 21, 20))  # under the 22 pixels of the fader
    body.append(recess(8 + FRAME_DX - 1, 194 + FRAME_DY - 1, 62, 17, r=2, fill="url(#lcd)"))  # read-out
    body.append(f'<rect x="4" y="{212 + FRAME_DY - 2}" width="{w - 8}" height="34" rx="3" '
                f'fill="#000000" opacity="0.22"/>')                                 # switch bay
    body.append(recess(7 + FRAME_DX - 1, 264 + FRAME_DY - 1, 63, 17, r=2, fill="#0a0b0d"))  # name plate
    body.append(panel_edges(w, 285))
    return "".join(body)


def strip_panel():
    return svg(72, 285, channel_strip_top(72), BRUSH_DEFS)


def playback_panel():
    body = [brushed(0, 0, 72, 414), channel_strip_top(72)]
    body.append(f'<rect x="0" y="285" width="72" height="1" fill="#0a0b0c"/>')
    body.append(f'<rect x="0" y="286" width="72" height="1" fill="#4a4f56"/>')
    body.append(text(36, 297, "PLAYBACK", 7, "#aeb5bd", weight="bold", family=CONDENSED, extra='letter-spacing="0.8"'))
    body.append(recess(6, 301, 66, 110, r=3, fill="#141619"))
    body.append(panel_edges(72, 414))
    body.append(f'<rect x="0" y="413" width="72" height="1" fill="#08090a"/>')
    return svg(72, 414, "".join(body), BRUSH_DEFS)


def output_panel():
    w, h = 137, 414
    sx = 7 + FRAME_DX  # output section origin in panel coordinates
    body = [brushed(0, 0, w, h)]
    body.append(recess(sx + 3 - 1, 5 + FRAME_DY - 1, 62, 24, r=4))                # main pan well
    body.append(fader_scale(sx + 24 + 9.5, 35, 24, sx + 13))
    body.append(recess(sx + 3 - 1, 194 + FRAME_DY - 1, 62, 17, r=2, fill="url(#lcd)"))
    body.append(text(sx + 33, 40 + 2, "MAIN", 7, "#aeb5bd", weight="bold", family=CONDENSED, extra='letter-spacing="0.8"'))
    # headphone source column
    hx = sx + 73
    body.append(text(hx + 23.5, 49 + FRAME_DY, "PHONES", 7, "#aeb5bd", weight="bold", family=CONDENSED,
                     extra='letter-spacing="0.8"'))
    body.append(recess(hx - 2, 56 + FRAME_DY - 2, 51, 145, r=3, fill="#141619"))
    body.append(recess(hx - 2, 56 + 172 + FRAME_DY - 2, 51, 41, r=3, fill="#141619"))
    # master indicators and output routing
    body.append(f'<rect x="3" y="{212 + FRAME_DY - 2}" width="70" height="34" rx="3" fill="#000000" opacity="0.22"/>')
    body.append(f'<rect x="0" y="285" width="{w}" height="1" fill="#0a0b0c"/>')
    body.append(f'<rect x="0" y="286" width="{w}" height="1" fill="#4a4f56"/>')
    body.append(text(sx + 62, 297, "OUTPUT ROUTING", 7, "#aeb5bd", weight="bold", family=CONDENSED,
                     extra='letter-spacing="0.8"'))
    body.append(recess(sx - 1, 298 + FRAME_DY - 1, 127, 110, r=3, fill="#141619"))
    body.append(screw(w - 7, 8))
    body.append(screw(w - 7, h - 8))
    body.append(panel_edges(w, h))
    body.append(f'<rect x="0" y="{h - 1}" width="{w}" height="1" fill="#08090a"/>')
    return svg(w, h, "".join(body), BRUSH_DEFS)


# ---------------------------------------------------------------- buttons

# Colour sets of a lit face: top, bottom, glow, text.
LIT = {
    "red": ("#ff6b57", "#c8180d", "#ff3b2a", "#ffffff"),
    "amber": ("#ffe27a", "#e59a00", "#ffc21a", "#2a1a00"),
    "green": ("#d8ffc9", "#7fe06a", "#6cff4f", "#0d1a0a"),
    "blue": ("#9fe0ff", "#1f8fe0", "#3ab8ff", "#ffffff"),
    "orange": ("#ffd0a8", "#ff8a3a", "#ff7a1a", "#1a0a00"),
}


def button_defs(colour):
    top, bottom, glow, _ = LIT[colour]
    return f"""
<linearGradient id="faceOff" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#5a5f66"/><stop offset="0.5" stop-color="#3b3f45"/><stop offset="1" stop-color="#2a2d31"/>
</linearGradient>
<linearGradient id="facePressed" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#1c1e21"/><stop offset="1" stop-color="#34383d"/>
</linearGradient>
<linearGradient id="faceOn" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>
</linearGradient>
<linearGradient id="keyOff" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#c4c9cf"/><stop offset="1" stop-color="#8d939a"/>
</linearGradient>
<linearGradient id="keyPressed" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#60666d"/><stop offset="1" stop-color="#858b92"/>
</linearGradient>
<radialGradient id="glow" cx="0.5" cy="0.5" r="0.5">
  <stop offset="0" stop-color="{glow}" stop-opacity="0.75"/><stop offset="1" stop-color="{glow}" stop-opacity="0"/>
</radialGradient>
<linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.45"/><stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
</linearGradient>
"""


def switch_face(x, y, w, h, state, colour, label, size=7.5, led=True):
    """A square push switch with its name printed on it; lit when on, sunk when pressed."""
    _, _, glow, lit_text = LIT[colour]
    r = 3
    parts = []
    if state == "on":
        parts.append(f'<rect x="{x - 2}" y="{y - 2}" width="{w + 4}" height="{h + 4}" rx="{r + 2}" fill="url(#glow)"/>')
    parts.append(f'<rect x="{x - 1}" y="{y - 1}" width="{w + 2}" height="{h + 2}" rx="{r + 1}" fill="#060607"/>')
    if state == "pressed":
        parts.append(f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="url(#facePressed)"/>')
        parts.append(f'<rect x="{x}" y="{y}" width="{w}" height="2" rx="1" fill="#000000" opacity="0.7"/>')
        parts.append(text(x + w / 2, y + h / 2 + size / 2.6 + 1, label, size, "#7d848c", weight="bold", family=CONDENSED))
        return "".join(parts)
    face = "url(#faceOn)" if state == "on" else "url(#faceOff)"
    parts.append(f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{face}"/>')
    parts.append(f'<rect x="{x + 1}" y="{y + 1}" width="{w - 2}" height="{h / 2 - 1}" rx="{r - 1}" fill="url(#gloss)" '
                 f'opacity="{0.7 if state == "on" else 0.35}"/>')
    text_fill = lit_text if state == "on" else "#d6dbe1"
    text_y = y + h / 2 + size / 2.6
    if led:
        led_fill = glow if state == "on" else "#1b1d20"
        parts.append(f'<rect x="{x + w / 2 - 6}" y="{y + 2.5}" width="12" height="2.5" rx="1.2" fill="{led_fill}" '
                     f'stroke="#000000" stroke-opacity="0.5" stroke-width="0.5"/>')
        text_y += 1.5
    parts.append(text(x + w / 2, text_y, label, size, text_fill, weight="bold", family=CONDENSED))
    return "".join(parts)


def switch(w, h, colour, state, label, inset_x, inset_y, size=7.5, led=True):
    body = switch_face(inset_x, inset_y, w - 2 * inset_x, h - 2 * inset_y, state, colour, label, size, led)
    return svg(w, h, body, button_defs(colour))


def master_indicator(colour, state, label):
    """Two-state lamp: a round indicator above the word, no pressed picture."""
    _, _, glow, _ = LIT[colour]
    x, y, w, h = 5, 3, 28, 24
    parts = [f'<rect x="{x - 1}" y="{y - 1}" width="{w + 2}" height="{h + 2}" rx="4" fill="#060607"/>',
             f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="3" fill="url(#faceOff)"/>']
    if state == "on":
        parts.append(f'<circle cx="{x + w / 2}" cy="{y + 8}" r="8" fill="url(#glow)"/>')
        parts.append(f'<circle cx="{x + w / 2}" cy="{y + 8}" r="4.2" fill="{glow}" stroke="#000" stroke-opacity="0.4"/>')
        parts.append(f'<circle cx="{x + w / 2 - 1.2}" cy="{y + 6.8}" r="1.5" fill="#ffffff" opacity="0.8"/>')
        fill = "#ffffff"
    else:
        parts.append(f'<circle cx="{x + w / 2}" cy="{y + 8}" r="4.2" fill="#24272b" stroke="#000" stroke-opacity="0.6"/>')
        parts.append(f'<circle cx="{x + w / 2 - 1.2}" cy="{y + 6.8}" r="1.2" fill="#ffffff" opacity="0.12"/>')
        fill = "#9aa1a9"
    parts.append(text(x + w / 2, y + h - 3.5, label, 6.5, fill, weight="bold", family=CONDENSED))
    return svg(38, 30, "".join(parts), button_defs(colour))


def keycap(w, h, colour, state, inset=(3, 2), led=True, label=None):
    """A light key whose caption the program prints on it; an LED bar shows the state."""
    _, _, glow, _ = LIT[colour]
    ix, iy = inset
    x, y, kw, kh = ix, iy, w - 2 * ix, h - 2 * iy
    parts = []
    if state == "on":
        parts.append(f'<rect x="{x - 2}" y="{y - 2}" width="{kw + 4}" height="{kh + 4}" rx="5" fill="url(#glow)"/>')
    parts.append(f'<rect x="{x - 1}" y="{y - 1}" width="{kw + 2}" height="{kh + 2}" rx="4" fill="#060607"/>')
    if state == "pressed":
        parts.append(f'<rect x="{x}" y="{y}" width="{kw}" height="{kh}" rx="3" fill="url(#keyPressed)"/>')
        parts.append(f'<rect x="{x}" y="{y}" width="{kw}" height="2.5" rx="1" fill="#000000" opacity="0.55"/>')
    else:
        face = "url(#faceOn)" if state == "on" else "url(#keyOff)"
        parts.append(f'<rect x="{x}" y="{y}" width="{kw}" height="{kh}" rx="3" fill="{face}"/>')
        parts.append(f'<rect x="{x + 1}" y="{y + 1}" width="{kw - 2}" height="{kh * 0.45}" rx="2" fill="url(#gloss)" opacity="0.6"/>')
        parts.append(f'<rect x="{x}" y="{y + kh - 1.5}" width="{kw}" height="1.5" rx="0.7" fill="#000000" opacity="0.3"/>')
    if led:
        lit = state == "on"
        parts.append(f'<rect x="{w / 2 - 7}" y="{y + 1.5}" width="14" height="2.2" rx="1.1" '
                     f'fill="{glow if lit else "#3a3d41"}" stroke="#000000" stroke-opacity="0.45" stroke-width="0.5"/>')
    if label:
        parts.append(text(w / 2, h / 2 + 3 + (1 if state == "pressed" else 0), label, 8, "#1b1d20",
                          weight="bold", family=CONDENSED))
    return svg(w, h, "".join(parts), button_defs(colour))


def panner_background():
    body = ('<rect x="0.5" y="0.5" width="59" height="21" rx="4" fill="#0b0c0e" stroke="#4c5259" stroke-opacity="0.7"/>'
            '<rect x="1" y="1" width="58" height="2" rx="1" fill="#000" opacity="0.7"/>')
    for i in range(11):
        x = 5 + i * 4.9
        long_tick = i in (0, 5, 10)
        body += (f'<rect x="{x - 0.4:.2f}" y="{19 if not long_tick else 18}" width="0.8" '
                 f'height="{2 if not long_tick else 3}" fill="{"#d5dbe2" if long_tick else "#7b838c"}"/>')
    body += text(2.5, 9, "L", 5.5, "#8e969f", family=CONDENSED)
    body += text(57.5, 9, "R", 5.5, "#8e969f", family=CONDENSED)
    return svg(60, 22, body)


def fader_cap(w, h, accent, shown_width=None):
    """A fader knob. The channel faders are narrower than their cap image and
    clip it on the right, so the knob is drawn inside the width they show."""
    full_w = w
    w = shown_width or w
    defs = """
<linearGradient id="capBody" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#8a9096"/><stop offset="0.25" stop-color="#d7dbe0"/>
  <stop offset="0.6" stop-color="#b5bbc1"/><stop offset="1" stop-color="#5d6369"/>
</linearGradient>
<linearGradient id="capShade" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.35"/><stop offset="0.5" stop-color="#000000" stop-opacity="0"/>
  <stop offset="1" stop-color="#000000" stop-opacity="0.35"/>
</linearGradient>"""
    parts = [f'<rect x="1" y="2" width="{w - 2}" height="{h - 2}" rx="2.5" fill="#000000" opacity="0.45"/>',
             f'<rect x="1" y="1" width="{w - 2}" height="{h - 3}" rx="2.5" fill="url(#capBody)" stroke="#26292c" stroke-width="0.8"/>',
             f'<rect x="1" y="1" width="{w - 2}" height="{h - 3}" rx="2.5" fill="url(#capShade)"/>']
    mid = (h - 1) / 2
    for k in range(1, 5):
        for sign in (-1, 1):
            y = mid + sign * (k * 3.6 + 1)
            if 3 < y < h - 4:
                parts.append(f'<rect x="3" y="{y - 0.5:.2f}" width="{w - 6}" height="0.8" fill="#3c4146" opacity="0.55"/>')
                parts.append(f'<rect x="3" y="{y + 0.3:.2f}" width="{w - 6}" height="0.6" fill="#ffffff" opacity="0.35"/>')
    parts.append(f'<rect x="1.5" y="{mid - 1:.2f}" width="{w - 3}" height="2" fill="{accent}"/>')
    return svg(full_w, h, "".join(parts), defs)


def window_button(kind, state):
    """Round title-bar button: neutral normal, lit over, sunk down."""
    fills = {"normal": ("#3b4046", "#1d2024", "#e6e9ed"),
             "over": ("#ff7a5c", "#c21c0e", "#ffffff") if kind == "close" else ("#7cc8ff", "#1466d6", "#ffffff"),
             "down": ("#15171a", "#2b2f34", "#9aa1a9")}
    top, bottom, mark = fills[state]
    defs = (f'<linearGradient id="b" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{top}"/>'
            f'<stop offset="1" stop-color="{bottom}"/></linearGradient>')
    dy = 0.8 if state == "down" else 0
    parts = [f'<circle cx="12.5" cy="12.5" r="11.5" fill="#06080a" opacity="0.8"/>',
             f'<circle cx="12.5" cy="12.5" r="10.5" fill="url(#b)" stroke="#000" stroke-opacity="0.5"/>']
    if state != "down":
        parts.append('<ellipse cx="12.5" cy="8" rx="7" ry="4" fill="#ffffff" opacity="0.22"/>')
    if kind == "close":
        parts.append(f'<path d="M8.5 {8.5 + dy} L16.5 {16.5 + dy} M16.5 {8.5 + dy} L8.5 {16.5 + dy}" stroke="{mark}" '
                     f'stroke-width="2.2" stroke-linecap="round"/>')
    else:
        parts.append(f'<path d="M8 {15.5 + dy} L17 {15.5 + dy}" stroke="{mark}" stroke-width="2.4" stroke-linecap="round"/>')
    return svg(25, 25, "".join(parts), defs)


def fader_icon(x, y, scale, levels):
    parts = []
    for i, level in enumerate(levels):
        cx = x + i * 14 * scale
        parts.append(f'<rect x="{cx - 1.2 * scale}" y="{y}" width="{2.4 * scale}" height="{60 * scale}" rx="{scale}" fill="#050607"/>')
        cy = y + (1 - level) * 52 * scale
        parts.append(f'<rect x="{cx - 5 * scale}" y="{cy}" width="{10 * scale}" height="{8 * scale}" rx="{1.5 * scale}" '
                     f'fill="#c9ced4" stroke="#2a2d31" stroke-width="0.6"/>')
        parts.append(f'<rect x="{cx - 4.2 * scale}" y="{cy + 3.5 * scale}" width="{8.4 * scale}" height="{scale}" fill="#1f8fe0"/>')
    return "".join(parts)


def icon_plate(u, top="#4a5058", bottom="#1d2024", edge="#0b0c0e"):
    """The rounded plate the program icons stand on, on a 48-unit grid of unit `u`: (defs, the plate's element)."""
    defs = ('<linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient>')
    plate = (f'<rect x="{1 * u}" y="{1 * u}" width="{46 * u}" height="{46 * u}" rx="{8 * u}" fill="url(#plate)" '
             f'stroke="{edge}" stroke-width="{max(1.0, 1.5 * u)}"/>')
    return defs, plate


def app_icon(size):
    """The mixer's program icon: the logo's five faders on a rounded dark plate, drawn on a 48-unit grid."""
    u = size / 48.0
    defs, plate = icon_plate(u, "#3a3f45", "#141618", "#08090a")
    scale = 0.52 * u
    return svg(size, size, plate + fader_icon(9.44 * u, 8.4 * u, scale, [0.8, 0.55, 0.7, 0.35, 0.9]), defs)


def logo(w, h, about):
    body = [brushed(0, 0, w, h)]
    body.append(f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#5a6068"/>')
    body.append(f'<rect x="1.5" y="1.5" width="{w - 3}" height="{h - 3}" fill="none" stroke="#08090a"/>')
    if about:
        body.append(fader_icon(26, 28, 1.0, [0.8, 0.55, 0.7, 0.35, 0.9]))
        body.append(text(108, 56, "OSTREL", 13, "#9aa1a9", anchor="start", weight="bold", extra='letter-spacing="4"'))
        body.append(text(106, 88, "Tessary", 34, "#eef1f4", anchor="start", weight="bold"))
        body.append(f'<rect x="108" y="97" width="190" height="2" fill="#1f8fe0"/>')
        body.append(text(108, 116, "Mixer  \u00b7  Version 1.0", 12, "#c3c9d0", anchor="start"))
        body.append(text(w / 2, 160, "Brelmor/Halvaren Ostrel Tessary Mixer", 10.5, "#aeb5bd"))
        body.append(text(w / 2, 176, "Control of the internal hardware mixer", 9.5, "#8e969f"))
        body.append(text(w / 2, 190, "of the Tessary IEEE 1394 audio interface", 9.5, "#8e969f"))
        body.append(text(w / 2, 212, "Click to close", 8.5, "#6b737c", extra='font-style="italic"'))
        for sx, sy in ((8, 8), (w - 8, 8), (8, h - 8), (w - 8, h - 8)):
            body.append(screw(sx, sy))
    else:
        body.append(fader_icon(30, 33, 1.0, [0.8, 0.55, 0.7, 0.35, 0.9]))
        body.append(text(112, 58, "OSTREL", 14, "#9aa1a9", anchor="start", weight="bold", extra='letter-spacing="5"'))
        body.append(text(110, 96, "Tessary", 40, "#eef1f4", anchor="start", weight="bold"))
        body.append(f'<rect x="112" y="105" width="212" height="2" fill="#1f8fe0"/>')
        body.append(text(330, 96, "MIXER", 14, "#1f8fe0", anchor="start", weight="bold", extra='letter-spacing="3"'))
        body.append(text(w - 14, h - 12, "About", 8, "#6b737c", anchor="end", extra='font-style="italic"'))
        for sx, sy in ((8, 8), (w - 8, 8), (8, h - 8), (w - 8, h - 8)):
            body.append(screw(sx, sy))
    return svg(w, h, "".join(body), BRUSH_DEFS)


# ---------------------------------------------------------------- catalogue

def catalogue():
    images = {
        "strip_panel": strip_panel(),
        "playback_panel": playback_panel(),
        "output_panel": output_panel(),
        "fader_cap": fader_cap(24, 40, "#ffffff", shown_width=22),
        "output_fader_cap": fader_cap(19, 35, "#ff3b2a"),
        "panner_background": panner_background(),
        "about": logo(321, 224, True),
        "about_logo": logo(432, 129, False),
    }
    for state in ("on", "off", "pressed"):
        images[f"toggle_wide_{state}"] = keycap(62, 30, "green", state)
        images[f"selector_{state}"] = keycap(47, 37, "green", state, inset=(3, 3))
        images[f"link_{state}"] = switch(34, 19, "blue", state, "LINK", 2, 2, size=7, led=False)
        images[f"mute_{state}"] = switch(38, 30, "red", state, "MUTE", 5, 3)
        images[f"solo_{state}"] = switch(38, 30, "amber", state, "SOLO", 5, 3)
    images["bypass_on"] = keycap(62, 30, "orange", "on")
    images["panner_toggle_on"] = keycap(62, 30, "blue", "on")
    for state in ("on", "off"):
        images[f"master_mute_{state}"] = master_indicator("red", state, "MUTE")
        images[f"master_solo_{state}"] = master_indicator("amber", state, "SOLO")
    for kind in ("close", "minimise"):
        for state in ("normal", "over", "down"):
            images[f"{kind}_{state}"] = window_button(kind, state)
    for kind, label in (("load", "LOAD"), ("save", "SAVE")):
        images[f"{kind}_normal"] = keycap(49, 22, "green", "off", inset=(2, 2), led=False, label=label)
        images[f"{kind}_down"] = keycap(49, 22, "green", "pressed", inset=(2, 2), led=False, label=label)
    return images


OPAQUE = {"strip_panel", "playback_panel", "output_panel", "about"}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, source in catalogue().items():
        suffix = ".opaque.svg" if name in OPAQUE else ".svg"
        with open(os.path.join(out, name + suffix), "w") as f:
            f.write(source)


if __name__ == "__main__":
    main()
