#!/usr/bin/env python3
"""Writes data/demo_history.in, the demonstration external force history.

One row per 0.005 s sample: the brake inputs of the four axles, then the
traction force. The phases:
  traction  full traction 100000 N from standstill (about 2.3 m/s^2)
  coasting  no force, constant speed (the vehicle has no running resistance)
  braking   full brake 25000 on every axle: the brake torque exceeds what the
            adhesion can carry, the wheels slide and the sliding adhesion
            (0.1 * (0.8 exp(-|slip| / 5) + 0.2)) decelerates the vehicle by
            only 0.2 to 0.5 m/s^2 until it stops
  standstill brakes released, the vehicle at rest

Usage: python3 tools/make_demo_history.py [output file]
"""

import math
import sys

SAMPLE_PERIOD = 0.005
AXLES = 4
FULL_TRACTION = 100000.0
FULL_BRAKE = 25000.0

# (name, duration in s, brake input per axle, traction)
PHASES = [
    ("traction", 6.0, 0.0, FULL_TRACTION),
    ("coasting", 8.0, 0.0, 0.0),
    ("braking", 50.0, FULL_BRAKE, 0.0),
    ("standstill", 6.0, 0.0, 0.0),
]


def braking_time(speed):
    """Seconds to stop with sliding wheels: 4 axles of 98100 N normal force
    decelerating 41000 kg with the sliding adhesion coefficient. An upper
    bound: while the wheels lock (about 2.5 s) the slip is still small and the
    adhesion near its peak, so the vehicle stops a few seconds sooner."""
    time, step = 0.0, 0.001
    while speed > 0.0:
        mu = 0.1 * (0.8 * math.exp(-speed / 5.0) + 0.2)
        speed -= AXLES * mu * 98100.0 / 41000.0 * step
        time += step
    return time


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "data/demo_history.in"
    # Traction drives the car, the bogies, the wheelsets and the wheels'
    # reduced masses: 31000 + 2 * 3000 + 4 * 1000 + 4 * 500 kg.
    top_speed = FULL_TRACTION / 43000.0 * PHASES[0][1]
    stop_time = braking_time(top_speed)
    assert stop_time < PHASES[2][1], "the braking phase is too short to stop the vehicle"

    rows = []
    start = 0.0
    header = []
    for name, duration, brake, traction in PHASES:
        count = round(duration / SAMPLE_PERIOD)
        rows += [[brake] * AXLES + [traction]] * count
        header.append(f"|   {start:5.1f} s - {start + duration:5.1f} s  {name}")
        start += duration

    with open(output, "w", encoding="ascii") as out:
        out.write("| Demonstration external force history, written by tools/make_demo_history.py.\n")
        out.write(f"| One row per {SAMPLE_PERIOD} s sample: brake inputs of axles 1 to 4, traction [N].\n")
        out.write("| Phases:\n")
        out.write("\n".join(header) + "\n")
        out.write(f"| Top speed about {top_speed:.1f} m/s; with sliding wheels the vehicle stops\n")
        out.write(f"| within about {stop_time:.0f} s after the brake is applied.\n")
        out.write(f"EFD\n{len(rows)} {AXLES + 1}\n")
        for row in rows:
            out.write(" ".join(f"{value:g}" for value in row) + "\n")


if __name__ == "__main__":
    main()
