#!/usr/bin/env python3
"""Answers for one console computation of a random central polygon.

Writes one answer per line, in the order the console asks: the network
definition, the point names, the 3n angles and the sides (each confirmed
with Enter), then Enter for every side-misclosure pause and result row.

  bench/network_answers.py N [--case aonly|awithb|awithc] [--seed S]
                             [--angle-noise SECONDS] [--side-noise MM]
                             [--names latin|chinese]

Piped into `kestrane --console --save-input FILE` it makes an observation
file of the network (how examples/ and bench/ files were made).
"""
import argparse
import math
import random


def packed(degrees):
    """Decimal degrees as packed d.mmss with the seconds to 0.1"."""
    tenths = round(degrees * 36000)
    d, rest = divmod(tenths, 36000)
    m, s = divmod(rest, 600)
    return f"{d}.{m:02d}{s // 10:02d}{s % 10}"


def azimuth(dx, dy):
    """Clockwise from north (X), in degrees 0..360."""
    return math.degrees(math.atan2(dy, dx)) % 360.0


def angle_at(p, q, r):
    """Angle at p between the directions to q and r, degrees."""
    a1 = math.atan2(q[1] - p[1], q[0] - p[0])
    a2 = math.atan2(r[1] - p[1], r[0] - p[0])
    d = abs(a1 - a2) % (2 * math.pi)
    return math.degrees(min(d, 2 * math.pi - d))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("n", type=int)
    ap.add_argument("--case", choices=["aonly", "awithb", "awithc"], default="aonly")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--angle-noise", type=float, default=2.0, help="standard deviation in seconds")
    ap.add_argument("--side-noise", type=float, default=5.0, help="standard deviation in millimetres")
    ap.add_argument("--radius", type=float, help="mean distance of the outer points from the centre, metres")
    ap.add_argument("--names", choices=["latin", "chinese"], default="latin",
                    help="P1, P2, ... or station names as a survey office gives them")
    args = ap.parse_args()
    n = args.n
    rnd = random.Random(args.seed)

    # Centre and n outer points clockwise around it (increasing azimuth);
    # outer point 0 is A.
    centre = (3_500_000.0 + rnd.uniform(0, 1000), 500_000.0 + rnd.uniform(0, 1000))
    radius = args.radius or max(50.0, 8.0 * n)
    weights = [rnd.uniform(0.7, 1.3) for _ in range(n)]
    total = sum(weights)
    start = rnd.uniform(0, 360)
    outer = []
    phi = start
    for j in range(n):
        r = radius * rnd.uniform(0.85, 1.15)
        a = math.radians(phi)
        outer.append((round(centre[0] + r * math.cos(a), 3), round(centre[1] + r * math.sin(a), 3)))
        phi += 360.0 * weights[j] / total
    A = outer[0]

    def dist(p, q):
        return math.hypot(q[0] - p[0], q[1] - p[1])

    angles, sides = [], [None] * (2 * n + 2)
    for i in range(1, n + 1):
        p0, p1 = outer[i - 1], outer[i % n]
        angles += [angle_at(p0, centre, p1), angle_at(p1, p0, centre), angle_at(centre, p0, p1)]
        sides[2 * i - 1] = dist(centre, p0)
        sides[2 * i] = dist(p0, p1)

    out = [str(n), "10", f"{A[0]:.3f}", "", f"{A[1]:.3f}", ""]
    if args.case == "awithb":
        B = outer[n - 1]
        out += [f"{B[0]:.3f}", "", f"{B[1]:.3f}", ""]
    else:
        out += ["0", "", "0", ""]
        if args.case == "awithc":
            out += [f"{centre[0]:.3f}", "", f"{centre[1]:.3f}", ""]
        else:
            out += ["0", "", "0", ""]
            # T0 + Qa is the azimuth A -> outer point 1.
            alpha1 = azimuth(outer[1][0] - A[0], outer[1][1] - A[1])
            qa = rnd.uniform(20, 80)
            out += [packed((alpha1 - qa) % 360.0), "", packed(qa), ""]

    # The chain: outer points 1.., then the centre (and B after it when B
    # is known).
    rows = n + 1 if args.case == "aonly" else n
    centre_at = n - 1 if args.case == "awithb" else n
    if args.names == "chinese":
        stems = ["东岗", "西坡", "南山", "北岭", "龙泉", "石桥", "杨庄", "李家湾", "马鞍山", "柳树屯",
                 "青龙寺", "双塔", "古城", "白沙", "凤凰台", "黄土梁", "三岔口", "望江楼", "牛头山", "水库"]
        label = lambda j: f"{stems[(j - 1) % len(stems)]}{'' if j <= len(stems) else (j - 1) // len(stems) + 1}"
        start_name, centre_name, b_name = "基准点A", "中心点", "基准点B"
    else:
        label = lambda j: f"P{j}"
        start_name, centre_name, b_name = "A", "O", "B"
    names = [start_name]
    for j in range(1, rows + 1):
        if j == centre_at:
            names.append(centre_name)
        elif j == rows and args.case == "aonly":
            names.append(start_name)
        elif j == rows and args.case == "awithb":
            names.append(b_name)
        else:
            names.append(label(j))
    for name in names:
        out += [name, ""]

    for a in angles:
        out += [packed(a + rnd.gauss(0, args.angle_noise) / 3600), ""]
    first = 2 if args.case == "awithc" else 1
    last = 2 * n - 1 if args.case == "awithb" else 2 * n
    for k in range(first, last + 1):
        out += [f"{sides[k] + rnd.gauss(0, args.side_noise) / 1000:.4f}", ""]

    out += [""] * (2 * n)      # side-misclosure pauses
    out += [""] * rows         # one pause per result row
    print("\n".join(out))


if __name__ == "__main__":
    main()
