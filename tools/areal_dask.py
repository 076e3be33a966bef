#!/usr/bin/python3
"""kelvarin-cli areal over a long gauge record as pieces on a Dask cluster.

Cuts the record into ranges of data rows, runs `kelvarin-cli areal --from N --to M` on
each as a task of the cluster (a LocalCluster on this machine by default, or the
scheduler given with --scheduler, whose workers have kelvarin-cli and see the files by
the same names), and joins the pieces in order: the header once, then each piece's
rows. The pieces are independent, so the result is the whole run's output byte for
byte. Output options other than CSV (a NetCDF --out) are not joined here.

Usage:
  areal_dask.py --rain FILE --out FILE [--rows-per-task N] [--scheduler ADDRESS]
                [--workers N] [--cli PATH] [--timeout SECONDS] [-- AREAL OPTIONS...]

Needs Debian's python3-distributed (and python3-netcdf4 for a .nc record).
"""

import argparse
import csv
import os
import subprocess
import sys
import tempfile


def data_rows(rain):
    """The number of data rows of a record: CSV records after the header (quoted line
    breaks and empty lines as kelvarin-cli reads them), or a NetCDF file's time steps."""
    if rain.lower().endswith(".nc"):
        import netCDF4

        with netCDF4.Dataset(rain) as dataset:
            for variable in dataset.variables.values():
                if len(variable.dimensions) == 1 and " since " in getattr(variable, "units", ""):
                    return len(dataset.dimensions[variable.dimensions[0]])
        sys.exit("%s: no time variable" % rain)
    with open(rain, encoding="utf-8", errors="replace", newline="") as stream:
        head = stream.readline()
        separator = max("\t;,", key=head.count)
        stream.seek(0)
        records = sum(1 for record in csv.reader(stream, delimiter=separator) if record)
    return max(records - 1, 0)


def run_piece(cli, arguments, first, last):
    """One task: the areal rows first..last, as kelvarin-cli writes them (header included)."""
    done = subprocess.run(
        [cli, "areal"] + arguments + ["--from", str(first), "--to", str(last)],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        check=False,
    )
    if done.returncode != 0:
        raise RuntimeError("rows %d-%d: %s" % (first, last, done.stderr.decode(errors="replace").strip()))
    return done.stdout


def join(pieces):
    """The header of the first piece, then every piece's rows."""
    first = pieces[0]
    header = first[: first.index(b"\n") + 1] if b"\n" in first else first
    joined = bytearray(first)
    for piece in pieces[1:]:
        if not piece.startswith(header):
            raise RuntimeError("a piece starts with another header")
        joined += piece[len(header) :]
    return bytes(joined)


def write_atomically(path, data):
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".areal-", suffix=".tmp")
    try:
        with os.fdopen(handle, "wb") as stream:
            stream.write(data)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rain", required=True, help="the gauge record (CSV or NetCDF)")
    parser.add_argument("--out", required=True, help="the joined areal CSV")
    parser.add_argument("--rows-per-task", type=int, default=2000, help="data rows per task (default 2000)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, default=2, help="workers of the LocalCluster (default 2)")
    parser.add_argument("--cli", default="kelvarin-cli", help="kelvarin-cli as the workers start it")
    parser.add_argument("--timeout", type=float, default=600, help="seconds to wait for the workers")
    parser.add_argument("areal", nargs="*", help="further options of kelvarin-cli areal (after --)")
    options = parser.parse_args()
    if options.rows_per_task < 1:
        parser.error("--rows-per-task must be 1 or more")
    if options.out.lower().endswith(".nc"):
        parser.error("--out: the pieces are joined as CSV")
    for flag in ("--from", "--to", "--out", "--rain", "--weights-out"):
        if flag in options.areal:
            parser.error("%s is set by this script" % flag)

    from distributed import Client, LocalCluster

    rows = data_rows(options.rain)
    ranges = [(first, min(first + options.rows_per_task - 1, rows)) for first in range(1, rows + 1, options.rows_per_task)]
    ranges = ranges or [(1, 1)]
    arguments = ["--rain", os.path.abspath(options.rain)] + options.areal
    cluster = None
    if options.scheduler:
        client = Client(options.scheduler, timeout=options.timeout)
    else:
        cluster = LocalCluster(n_workers=options.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    try:
        client.wait_for_workers(1 if options.scheduler else options.workers, timeout=options.timeout)
        futures = [client.submit(run_piece, options.cli, arguments, first, last, pure=False) for first, last in ranges]
        pieces = client.gather(futures)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    write_atomically(options.out, join(pieces))
    print("areal_dask: %d rows in %d tasks" % (rows, len(ranges)), file=sys.stderr)


if __name__ == "__main__":
    main()
