#!/usr/bin/env python3
"""Counts the gauge labels that print over each other in figures kelvarin-cli wrote as SVG.

Each text run the figure fills in the gauge labels' colour is one label; its box is the union
of its glyphs' outlines (the control points of their curves, so a little generous on round
glyphs), placed where the run uses them. Two labels overprint when their boxes share inner
points. Prints, per file, the labels and the overprinting pairs, and the pairs in all files.

    bench/label_overlaps.py FIGURE.svg...
"""

import re
import sys
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
XLINK = "{http://www.w3.org/1999/xlink}href"
# the colour Print fills gauge labels with on the Cairo surface, rgb(235, 235, 235)
LABEL_FILL = "fill:rgb(92.156863%,92.156863%,92.156863%)"
NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:e-?\d+)?")


def glyph_boxes(root):
    """each glyph symbol's outline box, relative to its origin"""
    boxes = {}
    for symbol in root.iter(SVG + "symbol"):
        numbers = [float(n) for path in symbol.iter(SVG + "path") for n in NUMBER.findall(path.get("d", ""))]
        xs, ys = numbers[0::2], numbers[1::2]
        if xs and ys:
            boxes[symbol.get("id")] = (min(xs), min(ys), max(xs), max(ys))
    return boxes


def label_boxes(root, glyphs):
    """the box of every text run in the labels' colour"""
    runs = []
    for group in root.iter(SVG + "g"):
        if not group.get("style", "").startswith(LABEL_FILL):
            continue
        box = None
        for use in group.iter(SVG + "use"):
            glyph = glyphs.get(use.get(XLINK, "").lstrip("#"))
            if glyph is None:
                continue  # a space: no outline
            x, y = float(use.get("x", 0)), float(use.get("y", 0))
            placed = (x + glyph[0], y + glyph[1], x + glyph[2], y + glyph[3])
            box = placed if box is None else (min(box[0], placed[0]), min(box[1], placed[1]),
                                              max(box[2], placed[2]), max(box[3], placed[3]))
        if box is not None:
            runs.append(box)
    return runs


def overprinting_pairs(boxes):
    pairs = 0
    for i, a in enumerate(boxes):
        for b in boxes[i + 1:]:
            if a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]:
                pairs += 1
    return pairs


def main(files):
    if not files:
        sys.exit(__doc__.strip())
    total = 0
    for name in files:
        root = ET.parse(name).getroot()
        boxes = label_boxes(root, glyph_boxes(root))
        pairs = overprinting_pairs(boxes)
        total += pairs
        print(f"{name}: {len(boxes)} labels, {pairs} overprinting pairs")
    print(f"all: {total} overprinting pairs")


if __name__ == "__main__":
    main(sys.argv[1:])
