#!/usr/bin/env python3
"""Runs Tarvik over the public sample LAS files and checks every figure it saves
against figures.json, the tallies an independent reader computed for them.

usage: check_figures.py TARVIK DATA_DIR
Exits 0 when every file and list agrees, 1 on any difference, 77 (skipped)
when the data directory is not there.
"""
import json
import math
import os
import subprocess
import sys
import tempfile

GPS_FORMATS = (1, 3)


def run(tarvik, args, cwd):
    p = subprocess.run([tarvik] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")


def counts(table):
    return {int(k): v for k, v in (table or {}).items()}


def expected_stats(fig, point_format, bounds):
    """The saved file the figures call for, written out line by line."""
    out = ["TotalPoints %18.0f" % fig["points_read"]]
    for key, field in (("XMin", "minX"), ("XMax", "maxX"), ("YMin", "minY"),
                       ("YMax", "maxY"), ("ZMin", "minZ"), ("ZMax", "maxZ")):
        out.append("%s %28.2f" % (key, bounds[field]))
    if point_format in GPS_FORMATS:
        gps = fig.get("gps_time") or {}
        # No GPS time that is a number: the tally keeps its starting values.
        lo = gps.get("min") if gps.get("min") is not None else 1e11
        hi = gps.get("max") if gps.get("max") is not None else -1e11
        out.append("GPSTimeMin %26.6f" % lo)
        out.append("GPSTimeMax %26.6f" % hi)
    else:
        out += ["GPSTimeMin", "GPSTimeMax"]
    rn = counts(fig["return_number"])
    for n, word in enumerate(("1st", "2nd", "3rd", "4th"), start=1):
        out.append("%sReturns %19.0f" % (word, rn.get(n, 0)))
    out += ["%dthReturns %19.0f" % (n, rn[n]) for n in range(5, 10) if rn.get(n, 0) > 0]
    nr = counts(fig["number_of_returns"])
    out += ["NumberReturns%d %15.0f" % (n, nr.get(n, 0)) for n in range(1, 10)
            if n <= 4 or nr.get(n, 0) > 0]
    cl = counts(fig["classification"])
    out += ["Class%03d %21.0f" % (c, cl[c]) for c in sorted(cl) if cl[c] > 0]
    it = counts(fig["intensity"])
    out += ["Intensity%05d %15.0f" % (v, it[v]) for v in sorted(it) if it[v] > 0]
    sa = counts(fig["scan_angle_rank_unsigned"])
    out += ["ScanAngleRank%04d %12.0f" % (i - 256, sa[i]) for i in range(128, 256) if sa.get(i, 0) > 0]
    out += ["ScanAngleRank%03d %13.0f" % (i, sa[i]) for i in range(0, 128) if sa.get(i, 0) > 0]
    ud = counts(fig["user_data"])
    out += ["UserData%03d %18.0f" % (u, ud[u]) for u in sorted(ud) if ud[u] > 0]
    ps = counts(fig["point_source_id"])
    out += ["PointSourceID%05d %11.0f" % (p, ps[p]) for p in sorted(ps) if ps[p] > 0]
    return "\n".join(out) + "\n"


def refusal_message(fig):
    name = fig["file"]
    if fig["version_major"] != 1:
        return "\nCannot handle las files of version %d.x\n" % fig["version_major"]
    if fig["version_minor"] > 2:
        return "\nCannot handle las files of version 1.%d\n" % fig["version_minor"]
    if fig["point_format"] > 3:
        return "\nPointDataFormatID in %s is %d. Only 0, 1, 2, or 3 is accepted\n" % (
            name, fig["point_format"])
    if fig["las_type"] == 0:
        return ""
    return "\nData format of %s (%d) is incompatible with Length of Data Record (%d)\n" % (
        name, fig["point_format"], fig["record_length"])


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    tarvik, data = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    figures_path = os.path.join(data, "figures.json")
    if not os.path.exists(figures_path):
        print("no sample data at %s: skipped" % data)
        return 77
    with open(figures_path) as f:
        figures = json.load(f)

    failures = []
    checked = 0
    with tempfile.TemporaryDirectory(prefix="tarvik-real-") as work:
        # The data directory is read-only; the saved files are written beside links to it.
        for entry in os.listdir(data):
            os.symlink(os.path.join(data, entry), os.path.join(work, entry))

        for fig in figures["files"]:
            name = fig["file"]
            status, out, err = run(tarvik, [name, "-d", "-s"], work)
            checked += 1
            if fig.get("refused") or fig["las_type"] < 1:
                if status != 255 or out != refusal_message(fig):
                    failures.append("%s: expected refusal %r, got status %d and %r"
                                    % (name, refusal_message(fig), status, out))
                continue
            if fig.get("truncated"):
                if status != 255 or "fewer than its header promises" not in out:
                    failures.append("%s: a file that ends early must be refused, got %d %r"
                                    % (name, status, out[:200]))
                continue
            if status != 0 or err:
                failures.append("%s: status %d, stderr %r" % (name, status, err))
                continue
            version = "\rLAS version 1.%d, Format %d (Type %d)\n" % (
                fig["version_minor"], fig["point_format"], fig["las_type"])
            if version not in out:
                failures.append("%s: no version line %r" % (name, version))
            stats = os.path.join(work, name[:-4] + "_stats.asc")
            with open(stats) as f:
                got = f.read()
            want = expected_stats(fig, fig["point_format"], fig["header_bounds"])
            if got != want:
                failures.append("%s: saved figures differ\n--- want\n%s--- got\n%s" % (name, want, got))

        for fig in figures["lists"]:
            name = fig["list"]
            status, out, err = run(tarvik, [name, "-d", "-s"], work)
            checked += 1
            fmt = {1: 0, 2: 1, 3: 0, 4: 1, 5: 0, 6: 1, 7: 2, 8: 3}[fig["las_type"]]
            if status != 0:
                failures.append("%s: status %d %r" % (name, status, out[-300:]))
                continue
            heading = "\nSummary of %d files listed in %s\n\n" % (len(fig["files"]), name)
            if heading not in out:
                failures.append("%s: no heading %r" % (name, heading))
            with open(os.path.join(work, name[:-4] + "_stats.asc")) as f:
                got = f.read()
            want = expected_stats(fig, fmt, fig["header_bounds_union"])
            if got != want:
                failures.append("%s: saved figures differ\n--- want\n%s--- got\n%s" % (name, want, got))

        # The one list that must be refused: two LAS types.
        status, out, _ = run(tarvik, ["list-refused-mixed-types.txt"], work)
        checked += 1
        want = ("\nType of file pdal-simple.las differs from that of previous files in "
                "list-refused-mixed-types.txt\n")
        if status != 255 or out != want:
            failures.append("list-refused-mixed-types.txt: got %d %r" % (status, out))

    for f in failures:
        print("FAIL", f)
    print("%d passed, %d failed" % (checked - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
