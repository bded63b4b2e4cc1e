#!/usr/bin/env python3
"""Prints the SVG path of the seal's scalloped rosette used in the Sealmark
program icon and splash: a star of `n` points whose corners are then rounded by
a round-joined stroke of the same colour. Usage: rosette.py cx cy r n [inner]"""
import math
import sys

cx, cy, r, n = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
inner = float(sys.argv[5]) if len(sys.argv) > 5 else 0.88
pts = []
for i in range(2 * n):
    a = -math.pi / 2 + i * math.pi / n
    rr = r if i % 2 == 0 else r * inner
    pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
print("M" + "L".join(f"{x:.2f} {y:.2f}" for x, y in pts) + "Z")
