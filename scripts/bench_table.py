"""Prints the medians of a Google Benchmark JSON report as a table, with the goals."""
import json
import math
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def medians(report):
    result = {}
    for bench in report["benchmarks"]:
        if bench.get("aggregate_name") != "median":
            continue
        scale = UNIT_NS[bench["time_unit"]]
        name = bench["run_name"]
        result[name] = (bench["real_time"] * scale, bench["cpu_time"] * scale)
    return result


def readable(ns):
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def growth_exponent(rows, prefix):
    """Least-squares slope of log(time) over log(size) for the rows `prefix`<size>."""
    points = [(math.log(float(name[len(prefix):])), math.log(real))
              for name, (real, _) in rows.items() if name.startswith(prefix)]
    if len(points) < 2:
        return None, 0
    mean_x = sum(x for x, _ in points) / len(points)
    mean_y = sum(y for _, y in points) / len(points)
    slope = (sum((x - mean_x) * (y - mean_y) for x, y in points) /
             sum((x - mean_x) ** 2 for x, _ in points))
    return slope, len(points)


def main(path):
    with open(path) as f:
        report = json.load(f)
    rows = medians(report)
    context = report["context"]
    print(f"{context.get('host_name', '')}: {context.get('num_cpus', '?')} CPUs at "
          f"{context.get('mhz_per_cpu', '?')} MHz, {context.get('date', '')}")
    print(f"{'benchmark':<52} {'real (median)':>14} {'CPU (median)':>14}")
    for name, (real, cpu) in rows.items():
        print(f"{name:<52} {readable(real):>14} {readable(cpu):>14}")

    print()
    step = rows.get("BM_KelvraDoStep/ITER:3")
    recorded = rows.get("BM_KelvraDoStepRecorded/ITER:3/process_time")
    console = rows.get("BM_ConsoleRunPerSimulatedSecond/real_time")
    validator = rows.get("BM_ValidatorPerSimulatedSecond/real_time")
    if step:
        print(f"Kelvra::DoStep, ITER 3: {readable(step[1])} CPU (goal: at most 5 us)")
    if step and recorded:
        row = recorded[1] - step[1]
        print(f"Recording a row: {readable(row)} of process CPU, {row / step[1]:.0%} of the step's own "
              f"(goal: at most 100 %)")
    recorded_hdf5 = rows.get("BM_KelvraDoStepRecordedHdf5/ITER:3/process_time")
    if step and recorded_hdf5:
        row = recorded_hdf5[1] - step[1]
        print(f"Recording a row into HDF5: {readable(row)} of process CPU, {row / step[1]:.0%} of the "
              f"step's own")
    if console:
        print(f"Console run: {1e9 / console[0]:.0f} x faster than real time (goal: at least 1000 x)")
    shipped = rows.get("BM_ShippedWholePreparation")
    if shipped:
        print(f"Shipped model, whole preparation: {readable(shipped[0])} (goal: at most 3 ms)")
    for size, goal in (("200", "1 s"), ("400", "8 s")):
        train = rows.get(f"BM_TrainSetUp/{size}")
        if train:
            print(f"Set-up of {size} freedoms: {readable(train[0])} (goal: at most {goal})")
    exponent, sizes = growth_exponent(rows, "BM_TrainSetUp/")
    if exponent is not None:
        print(f"Set-up growth: time ~ freedoms^{exponent:.2f} over {sizes} sizes "
              f"(goal: no worse than 3)")
    if console and validator:
        print(f"Console run vs validator per simulated second: {validator[0] / console[0]:.1f} x "
              f"faster (goal: at least 10 x)")


if __name__ == "__main__":
    main(sys.argv[1])
