#!/usr/bin/env python3
"""Vector sources of the settings program's faces and icon.

Writes face.opaque.svg (the settings dialog, 394 x 283), about.opaque.svg
(the About box, 300 x 350) and icon-N.svg (the program icon at 16, 24, 32 and 48 pixels) into
the folder given on the command line; tools/render-art.sh turns them into the
bitmaps and the icon next to this file. The face is drawn in the pixels the
dialog is laid out in (dialog units at base units 6 x 13), from the same
control rectangles as the dialog template, so every label sits over its
control. The metal, wells and screws are the mixer skin's.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "mixer", "art"))
import skin  # noqa: E402  (the mixer skin's drawing helpers)

FACE_W, FACE_H = 394, 283
CLIENT_W = 392          # the dialog's client area is 261 dialog units wide
BASE_X, BASE_Y = 6, 13  # dialog base units of the 8-point dialog font at 96 DPI

LABEL = "#d5dbe2"
DIM = "#8e969f"
ACCENT = "#3ab8ff"


def px(units):
    return int(units * BASE_X / 4 + 0.5)


def py(units):
    return int(units * BASE_Y / 8 + 0.5)


def rect(x, y, cx, cy):
    """A template rectangle in dialog units, in face pixels."""
    return px(x), py(y), px(cx), py(cy)


# Control rectangles of dialog template 102 (dialog units).
SAMPLE_RATE = rect(38, 49, 68, 52)
LATENCY = rect(157, 49, 68, 116)
BOOSTS = [rect(38, 96, 10, 11), rect(85, 95, 11, 12), rect(134, 95, 10, 12), rect(182, 95, 11, 12)]
DONE = rect(32, 152, 50, 14)
LIST_FIELD = 21        # closed height of a drop-down list in the 8-point font
CHECK_BOX = 13         # the check mark box, vertically centred at the left of its control
CHANNELS = ["Mic 1", "Mic 2", "Line 3", "Line 4"]


def label(x, y, s, size=10, fill=LABEL, anchor="start", weight="bold", spacing=0.6):
    return skin.text(x, y, s, size, fill, anchor=anchor, weight=weight, family=skin.CONDENSED,
                     extra=f'letter-spacing="{spacing}"')


def logo(x, y, scale=1.0):
    """The maker's mark, as on the mixer: a row of faders and the name; (x, y) is its baseline's left end."""
    faders = skin.fader_icon(x + 3 * scale, y - 31 * scale, 0.52 * scale, [0.8, 0.55, 0.7, 0.35, 0.9])
    name = skin.text(x + 40 * scale, y - 7 * scale, "OSTREL", 14 * scale, "#9aa1a9", anchor="start", weight="bold",
                     extra=f'letter-spacing="{4 * scale}"')
    rule = f'<rect x="{x + 41 * scale}" y="{y - 3 * scale}" width="{76 * scale}" height="{1.5 * scale}" fill="#1f8fe0"/>'
    return faders + name + rule


def list_well(control):
    x, y, w, _ = control
    return skin.recess(x - 3, y - 3, w + 6, LIST_FIELD + 9, r=3, fill="#0b0c0e")


def face():
    body = [skin.brushed(0, 0, FACE_W, FACE_H)]

    # Header band: the panel's title.
    body.append(f'<rect x="0" y="0" width="{FACE_W}" height="40" fill="#000000" opacity="0.25"/>')
    body.append(f'<rect x="0" y="40" width="{FACE_W}" height="1" fill="#0a0b0c"/>')
    body.append(f'<rect x="0" y="41" width="{FACE_W}" height="1" fill="#4a4f56"/>')
    body.append(label(18, 26, "Hardware Settings", size=16, spacing=0.8))
    body.append(label(CLIENT_W - 18, 26, "TESSARY", size=11, fill=ACCENT, anchor="end", spacing=2.4))

    # Sample rate and latency: a label just above each list, in a well around it.
    for control, name in ((SAMPLE_RATE, "Sample Rate"), (LATENCY, "Latency")):
        x, y, w, _ = control
        body.append(label(x, y - 8, name, size=11))
        body.append(list_well(control))

    # Input level boost: a framed group, one column per analogue input.
    top, bottom = 110, 190
    body.append(skin.recess(14, top, CLIENT_W - 28, bottom - top, r=4, fill="#16181b"))
    body.append(label(26, top + 13, "Input Level Boost", size=11))
    for (x, y, w, h), name in zip(BOOSTS, CHANNELS):
        box_y = y + (h - CHECK_BOX) // 2
        centre = x + CHECK_BOX / 2
        body.append(label(centre, box_y - 17, name, size=10, anchor="middle", fill=LABEL))
        body.append(label(centre, box_y - 5, "+12 dB", size=8, anchor="middle", fill=ACCENT, weight="normal",
                          spacing=0.2))
        body.append(skin.recess(x - 3, box_y - 3, CHECK_BOX + 6, CHECK_BOX + 6, r=2, fill="#0b0c0e"))
    for i in range(1, 4):  # dividers between the columns
        left = BOOSTS[i - 1][0] + CHECK_BOX
        right = BOOSTS[i][0]
        mid = (left + right) / 2
        body.append(f'<rect x="{mid}" y="{top + 20}" width="1" height="{bottom - top - 28}" fill="#000000" opacity="0.35"/>')
        body.append(f'<rect x="{mid + 1}" y="{top + 20}" width="1" height="{bottom - top - 28}" fill="#5a6068" '
                    f'opacity="0.35"/>')

    # The Done button sits in a well; the maker's mark at the lower right.
    x, y, w, h = DONE
    body.append(skin.recess(x - 4, y - 4, w + 8, h + 8, r=3, fill="#0b0c0e"))
    body.append(logo(CLIENT_W - 150, FACE_H - 14))

    for cx, cy in ((8, 50), (CLIENT_W - 8, 50), (8, FACE_H - 8), (CLIENT_W - 8, FACE_H - 8)):
        body.append(skin.screw(cx, cy))
    body.append(skin.panel_edges(FACE_W, FACE_H))
    body.append(f'<rect x="0" y="{FACE_H - 1}" width="{FACE_W}" height="1" fill="#08090a"/>')
    return skin.svg(FACE_W, FACE_H, "".join(body), skin.BRUSH_DEFS)


def about():
    w, h = 300, 350
    body = [skin.brushed(0, 0, w, h)]
    body.append(f'<rect x="0" y="0" width="{w}" height="96" fill="#000000" opacity="0.25"/>')
    body.append(skin.text(w / 2, 52, "Tessary", 34, LABEL, weight="bold", family=skin.FONT,
                          extra='letter-spacing="1.5"'))
    body.append(label(w / 2, 76, "HARDWARE SETTINGS", size=10, fill=ACCENT, anchor="middle", spacing=2.6))
    body.append(f'<rect x="0" y="96" width="{w}" height="1" fill="#0a0b0c"/>')
    body.append(f'<rect x="0" y="97" width="{w}" height="1" fill="#4a4f56"/>')
    credits = [
        ("Ostrel Tessary control suite", LABEL, "bold"),
        ("Version 1.0", DIM, "normal"),
        ("", DIM, "normal"),
        ("Sample rate, latency, input boost", DIM, "normal"),
        ("and driver settings of the Tessary", DIM, "normal"),
        ("1394 audio interface.", DIM, "normal"),
        ("", DIM, "normal"),
        ("Licensed under the GNU General Public", DIM, "normal"),
        ("License, version 3 or later.", DIM, "normal"),
    ]
    body.append(skin.recess(20, 114, w - 40, 152, r=4, fill="#16181b"))
    for i, (line, colour, weight) in enumerate(credits):
        if line:
            body.append(label(w / 2, 138 + 14 * i, line, size=10, fill=colour, anchor="middle", weight=weight,
                              spacing=0.3))
    body.append(skin.recess(17, 308, 73, 32, r=3, fill="#0b0c0e"))  # well of the OK button
    body.append(logo(w - 142, h - 12))
    for cx, cy in ((8, 8), (w - 8, 8), (8, h - 8), (w - 8, h - 8)):
        body.append(skin.screw(cx, cy))
    body.append(skin.panel_edges(w, h))
    body.append(f'<rect x="0" y="{h - 1}" width="{w}" height="1" fill="#08090a"/>')
    return skin.svg(w, h, "".join(body), skin.BRUSH_DEFS)


def icon(size):
    """A small anodised panel with three faders, the caps lit in the mark's blue."""
    s = size / 48.0
    defs, plate = skin.icon_plate(s)
    body = [plate]
    for column, level in zip((13, 24, 35), (0.35, 0.75, 0.55)):
        x = column * s
        body.append(f'<rect x="{x - 1.6 * s}" y="{8 * s}" width="{3.2 * s}" height="{32 * s}" rx="{1.6 * s}" '
                    f'fill="#050607"/>')
        cap_y = (8 + (1 - level) * 24) * s
        body.append(f'<rect x="{x - 5 * s}" y="{cap_y}" width="{10 * s}" height="{8 * s}" rx="{1.5 * s}" '
                    f'fill="#d5dbe2" stroke="#1d2024" stroke-width="{max(0.6, 1.0 * s)}"/>')
        body.append(f'<rect x="{x - 4 * s}" y="{cap_y + 3 * s}" width="{8 * s}" height="{max(1.0, 2 * s)}" '
                    f'fill="{ACCENT}"/>')
    return skin.svg(size, size, "".join(body), defs)


def main():
    out = sys.argv[1]
    images = {"face.opaque.svg": face(), "about.opaque.svg": about()}
    for size in (16, 24, 32, 48):
        images[f"icon-{size}.svg"] = icon(size)
    for name, content in images.items():
        with open(os.path.join(out, name), "w") as f:
            f.write(content)


if __name__ == "__main__":
    main()
