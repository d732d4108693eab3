#!/usr/bin/env python3
"""Vector sources of the programs' desktop icons.

Writes <id>-<size>.svg for every program at every size given on the command
line after the output folder (and <id>.svg at 48 units for the scalable icon);
tools/render-art.sh renders them into icons/hicolor here. The mixer's icon is
the mixer skin's (mixer/art/skin.py), the settings program's is the one in its
resources (settings/art/panel.py); the diagnostics tool's is drawn here from
the same plate and colours.
"""
import os
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(root, "mixer", "art"))
sys.path.insert(0, os.path.join(root, "settings", "art"))
import skin  # noqa: E402
import panel  # noqa: E402

ACCENT = "#3ab8ff"


def diag_icon(size):
    """A buffer of eight cells, five of them filled, under a clock's sweep: the stream buffer depth."""
    u = size / 48.0
    defs, plate = skin.icon_plate(u)
    body = [plate]
    body.append(f'<circle cx="{24 * u}" cy="{19 * u}" r="{11 * u}" fill="#050607" stroke="#d5dbe2" '
                f'stroke-width="{max(1.0, 2 * u)}"/>')
    body.append(f'<path d="M {24 * u} {19 * u} L {24 * u} {10 * u} A {9 * u} {9 * u} 0 0 1 {32.5 * u} {16 * u} Z" '
                f'fill="{ACCENT}"/>')
    for cell in range(8):
        x = (6 + cell * 4.75) * u
        fill = ACCENT if cell < 5 else "#050607"
        body.append(f'<rect x="{x}" y="{34 * u}" width="{3.75 * u}" height="{8 * u}" rx="{0.8 * u}" fill="{fill}" '
                    f'stroke="#0b0c0e" stroke-width="{max(0.5, 0.6 * u)}"/>')
    return skin.svg(size, size, "".join(body), defs)


ICONS = {
    "com.ostrel.TessaryMixer": skin.app_icon,
    "com.ostrel.TessarySettings": panel.icon,
    "com.ostrel.TessaryDiag": diag_icon,
}


def main():
    out = sys.argv[1]
    sizes = [int(size) for size in sys.argv[2:]]
    for name, draw in ICONS.items():
        with open(os.path.join(out, f"{name}.svg"), "w") as f:
            f.write(draw(48))
        for size in sizes:
            with open(os.path.join(out, f"{name}-{size}.svg"), "w") as f:
                f.write(draw(size))


if __name__ == "__main__":
    main()
