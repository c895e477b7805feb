#!/usr/bin/env python3
"""Draws the program's numbered pictures as SVG into resources/pictures/ and lists them in
resources/morvane.qrc. One palette and one 20-unit glyph grid for all of them, so the set stays
coherent; strokes sit on whole pixels at 1x and 2x. Run it again after changing a glyph."""
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "resources" / "pictures"

SLATE = "#3d4b5c"      # glyphs at rest
ACCENT = "#2d5f9a"     # glyphs under the pointer (the window icon's blue)
DEEP = "#1d416b"       # glyphs pressed
GO = "#2e7d4f"
HALT = "#b8382c"
TILE = ("#e4edf8", "#a9c1de")      # hover tile: fill, border
TILE_DOWN = ("#c8d8ec", "#7f9dc4")  # pressed tile

# Glyphs on a 20 x 20 grid; {c} is the glyph colour, {a} the accent.
GLYPHS = {
    "add": '<rect x="3" y="4" width="14" height="12" rx="1" fill="none" stroke="{c}" stroke-width="2"/>'
           '<path d="M10 7v6M7 10h6" stroke="{c}" stroke-width="2"/>',
    "remove": '<rect x="3" y="4" width="14" height="12" rx="1" fill="none" stroke="{c}" stroke-width="2"/>'
              '<path d="M7 10h6" stroke="{c}" stroke-width="2"/>',
    "split": '<rect x="6" y="8" width="8" height="4" fill="{a}" fill-opacity=".35"/>'
             '<path d="M2 10h16" stroke="{c}" stroke-width="2"/>'
             '<path d="M6 5v10M14 5v10" stroke="{a}" stroke-width="2"/>',
    "more": '<circle cx="4" cy="10" r="2" fill="{c}"/><circle cx="10" cy="10" r="2" fill="{c}"/>'
            '<circle cx="16" cy="10" r="2" fill="{c}"/>',
    "start": '<circle cx="10" cy="10" r="8" fill="none" stroke="{c}" stroke-width="2"/>'
             '<path d="M8 6l6 4-6 4z" fill="{c}"/>',
    "stop": '<circle cx="10" cy="10" r="8" fill="none" stroke="{c}" stroke-width="2"/>'
            '<rect x="7" y="7" width="6" height="6" fill="{c}"/>',
    "rewind": '<path d="M10 5L3 10l7 5zM17 5l-7 5 7 5z" fill="{c}"/>',
    "play": '<path d="M6 4l10 6-10 6z" fill="{c}"/>',
    "pause": '<rect x="5" y="4" width="4" height="12" fill="{c}"/><rect x="11" y="4" width="4" height="12" fill="{c}"/>',
    "halt": '<rect x="5" y="5" width="10" height="10" fill="{c}"/>',
    "forward": '<path d="M3 5l7 5-7 5zM10 5l7 5-7 5z" fill="{c}"/>',
}

# Buttons: (hover, normal, pressed) picture numbers, glyph, size, glyph colour at rest.
TOOLBAR = (40, 40)
PREVIEW = (30, 20)
BUTTONS = [
    ((152, 153, 154), "add", TOOLBAR, SLATE),
    ((164, 158, 166), "remove", TOOLBAR, SLATE),
    ((195, 196, 197), "split", TOOLBAR, SLATE),
    ((176, 177, 178), "more", TOOLBAR, SLATE),
    ((167, 168, 169), "start", TOOLBAR, GO),
    ((170, 171, 172), "stop", TOOLBAR, HALT),
    ((201, 200, 202), "rewind", PREVIEW, SLATE),
    ((204, 203, 205), "play", PREVIEW, SLATE),
    ((207, 206, 208), "pause", PREVIEW, SLATE),
    ((210, 209, 211), "halt", PREVIEW, SLATE),
    ((213, 212, 214), "forward", PREVIEW, SLATE),
]


def svg(width, height, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n{body}\n</svg>\n')


def glyph(name, colour, width, height, shift):
    scale = min(width, height) // 20
    x = (width - 20 * scale) // 2 + shift
    y = (height - 20 * scale) // 2 + shift
    return (f'<g transform="translate({x} {y}) scale({scale})">'
            + GLYPHS[name].format(c=colour, a=ACCENT) + "</g>")


def tile(width, height, colours):
    radius = 6 if height >= 40 else 3
    return (f'<rect x=".5" y=".5" width="{width - 1}" height="{height - 1}" rx="{radius}" '
            f'fill="{colours[0]}" stroke="{colours[1]}"/>')


def button_pictures(numbers, name, size, rest):
    width, height = size
    hover_colour = ACCENT if rest == SLATE else rest
    pressed_colour = DEEP if rest == SLATE else rest
    hover, normal, pressed = numbers
    return {
        hover: svg(width, height, tile(width, height, TILE) + glyph(name, hover_colour, width, height, 0)),
        normal: svg(width, height, glyph(name, rest, width, height, 0)),
        pressed: svg(width, height, tile(width, height, TILE_DOWN) + glyph(name, pressed_colour, width, height, 1)),
    }


def check_box(x, checked):
    body = (f'<rect x="{x + 2}" y="2" width="12" height="12" fill="#ffffff"/>'
            f'<path d="M{x + 1.5} 14V1.5H{x + 14}" fill="none" stroke="#8a9099"/>'
            f'<path d="M{x + 2.5} 13V2.5H{x + 13}" fill="none" stroke="#4a5058"/>'
            f'<path d="M{x + 1} 14.5H{x + 14.5}V1" fill="none" stroke="#f4f6f8"/>')
    if checked:
        body += f'<path d="M{x + 4.5} 8l2.5 2.5 5-5" fill="none" stroke="#1f2933" stroke-width="2"/>'
    return body


def main():
    pictures = {}
    for numbers, name, size, rest in BUTTONS:
        pictures.update(button_pictures(numbers, name, size, rest))
    # The header's check-box images: none, unchecked, checked, 16 pixels each.
    pictures[130] = svg(48, 16, check_box(16, False) + check_box(32, True))
    # The splitter's play button: 185 pause, 186 play.
    pictures[185] = svg(20, 20, GLYPHS["pause"].format(c=ACCENT, a=ACCENT))
    pictures[186] = svg(20, 20, GLYPHS["play"].format(c=ACCENT, a=ACCENT))

    OUT.mkdir(parents=True, exist_ok=True)
    for number, text in sorted(pictures.items()):
        (OUT / f"{number}.svg").write_text(text)

    qrc = ROOT / "resources" / "morvane.qrc"
    source = qrc.read_text()
    source = re.sub(r'\s*<file alias="\d+\.svg">pictures/\d+\.svg</file>', "", source)
    entries = "".join(f'\n        <file alias="{n}.svg">pictures/{n}.svg</file>' for n in sorted(pictures))
    source = source.replace("</qresource>", entries.lstrip("\n").join(["\n", "\n    </qresource>"]), 1)
    source = re.sub(r"\n\s*\n(\s*<file)", r"\n\1", source)
    qrc.write_text(source)


if __name__ == "__main__":
    main()
