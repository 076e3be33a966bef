#!/usr/bin/python3
"""The Thiessen job of `kelvarin-cli weights` done with shapely (GEOS), for comparison.

Reads a Kelvarin scene file's basin (the last polygon section's vertex block) and its
rain gauges, builds the Voronoi diagram of the gauges, clips every cell by the basin
and prints each gauge's area and weight (area / basin area) as CSV:
index,area,weight. Gauges at one place are not merged (scenes for this comparison
have none).

Usage: /usr/bin/python3 bench/thiessen_shapely.py SCENE
Needs python3-shapely (Debian); shapely 1.8 and 2 both work.
"""

import re
import sys
import warnings

import shapely
from shapely.geometry import MultiPoint, Point, Polygon

SECTION = re.compile(r"^\s*\[([^\]]*)\]")
NUMBER = re.compile(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")


def read_scene(path):
    with open(path, encoding="utf-8-sig", errors="replace", newline="") as stream:
        lines = stream.read().splitlines()
    # the first section of each name, its keys
    keys = {}
    current = None
    for line in lines:
        match = SECTION.match(line)
        if match:
            name = match.group(1).strip().lower()
            current = None if name in keys else name
            if current is not None:
                keys[current] = {}
        elif current is not None and "=" in line and not line.lstrip().startswith(";"):
            key, value = line.split("=", 1)
            keys[current].setdefault(key.strip().lower(), value.strip().strip('"'))
    # the polygon list: the last named polygon is the basin
    index, basin_name, number = 1, None, 0
    while keys.get("polygon%d" % index, {}).get("name"):
        basin_name = keys["polygon%d" % index]["name"]
        number = int(keys["polygon%d" % index].get("number", "0"))
        index += 1
    lowered = [line.lower() for line in lines]
    start = lowered.index("[" + basin_name.lower() + "]") + 1
    values = []
    for line in lines[start:]:
        if line.strip().startswith("["):
            break
        values.extend(float(v) for v in NUMBER.findall(line))
        if len(values) >= 2 * number:
            break
    basin = Polygon(list(zip(values[0 : 2 * number : 2], values[1 : 2 * number : 2])))
    # the station table: a heading line, then one gauge a line up to a blank line or a section
    table = lowered.index("[rainstation]") + 2
    gauges = []
    for line in lines[table:]:
        if not line.strip() or line.startswith("["):
            break
        inside = line[line.index("(") + 1 : line.index(")")]
        x, y = (float(v) for v in inside.split(",")[:2])
        gauges.append((x, y))
    return basin, gauges


def voronoi_cells(gauges, envelope):
    """One Voronoi cell per gauge, in gauge order."""
    points = MultiPoint(gauges)
    if int(shapely.__version__.split(".")[0]) >= 2:
        return list(shapely.voronoi_polygons(points, extend_to=envelope, ordered=True).geoms)
    from shapely.ops import voronoi_diagram
    from shapely.strtree import STRtree

    cells = [None] * len(gauges)
    where = {xy: i for i, xy in enumerate(gauges)}
    sites = [Point(xy) for xy in gauges]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # shapely 1.8 warns of STRtree's change in 2.0
        tree = STRtree(sites)
    for cell in voronoi_diagram(points, envelope=envelope).geoms:
        for site in tree.query(cell):
            if cell.contains(site):
                cells[where[(site.x, site.y)]] = cell
    return cells


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: thiessen_shapely.py SCENE")
    basin, gauges = read_scene(sys.argv[1])
    cells = voronoi_cells(gauges, basin.envelope)
    basin_area = basin.area
    out = ["index,area,weight"]
    for i, cell in enumerate(cells):
        area = cell.intersection(basin).area
        out.append("%d,%r,%r" % (i + 1, area, area / basin_area))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
