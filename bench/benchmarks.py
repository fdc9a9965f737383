"""Orvane benchmarks: each case against a reference on the same data and file system.

Run through bench/run.sh. Data sets are made in a temporary directory under $BENCH_DIR (default:
a new directory in /var/tmp) and removed afterwards; nothing large is kept.
"""

import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

MiB = 1024 * 1024


def sh(command, **kwargs):
    return subprocess.run(command, shell=True, check=True, **kwargs)


def make_large(root, total_mib):
    """A few files of incompressible data."""
    os.makedirs(root, exist_ok=True)
    per_file = total_mib // 4
    for i in range(4):
        sh(f"head -c {per_file}M /dev/urandom > '{root}/large{i}.bin'")


def make_small(root, count=50000, dirs=500):
    """Many 0.5-8 KiB files in a few hundred directories."""
    rng = random.Random(7)
    for d in range(dirs):
        os.makedirs(f"{root}/dir{d:03d}", exist_ok=True)
    for i in range(count):
        with open(f"{root}/dir{i % dirs:03d}/file{i:06d}.dat", "wb") as out:
            out.write(rng.randbytes(rng.randint(512, 8192)))


def make_text(root, total_mib):
    """Compressible text, like logs and sources."""
    os.makedirs(root, exist_ok=True)
    rng = random.Random(11)
    words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))))
             for _ in range(5000)]
    per_file = total_mib * MiB // 8
    for i in range(8):
        with open(f"{root}/text{i}.log", "w") as out:
            written = 0
            while written < per_file:
                line = " ".join(rng.choice(words) for _ in range(12)) + f" {rng.randint(0, 10**9)}\n"
                out.write(line)
                written += len(line)


def make_many(root, files=500000, dirs=50000):
    """Empty files spread over many directories, for the catalog."""
    per_dir = files // dirs
    for d in range(dirs):
        path = f"{root}/d{d // 1000:02d}/s{d:05d}"
        os.makedirs(path, exist_ok=True)
        for f in range(per_dir):
            open(f"{path}/f{f}", "wb").close()


def hyperfine(commands, runs, prepare=None):
    """Mean seconds of each command; with more than one run, after a warm-up run that fills the
    page cache, so that every command reads its data from memory."""
    with tempfile.NamedTemporaryFile(suffix=".json") as result:
        args = ["hyperfine", "--style", "none", "--runs", str(runs), "--export-json", result.name]
        if runs > 1:
            args += ["--warmup", "1"]
        if prepare:
            args += ["--prepare", prepare]
        subprocess.run(args + commands, check=True, stdout=subprocess.DEVNULL)
        data = json.load(open(result.name))
    return [r["mean"] for r in data["results"]]


def peak_from_report(path):
    """Peak resident memory in MiB from a /usr/bin/time -v report."""
    for line in open(path).read().splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1]) / 1024
    return float("nan")


def peak_mib(command):
    """Peak resident memory of one run, from /usr/bin/time -v."""
    with tempfile.NamedTemporaryFile(suffix=".txt") as report:
        subprocess.run(["/usr/bin/time", "-v", "-o", report.name, "sh", "-c", command],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return peak_from_report(report.name)


def target_note(half, seconds, target_seconds, peak, peak_target_mb=500):
    """The catalog targets: time, and peak memory."""
    peak_mb = peak * MiB / 1e6
    met = seconds < target_seconds and peak_mb < peak_target_mb
    return (f"catalog target ({half}): {seconds:.2f} s of < {target_seconds} s, "
            f"{peak_mb:.0f} MB of < {peak_target_mb} MB: {'met' if met else 'MISSED'}")


def drive_report(library):
    """The figures the virtual library's drive model wrote for the last run."""
    values = {}
    for line in open(f"{library}/drive-model.report").read().splitlines():
        key, value = line.split()
        values[key] = float(value)
    return values


class Bench:
    def __init__(self, cli, window_timing, work, runs, base_cli=None):
        self.cli, self.window_timing, self.work, self.runs = cli, window_timing, work, runs
        self.base_cli = base_cli
        self.rows = []
        self.notes = []
        self.home = f"{work}/home"
        self.library = f"{work}/vtape"
        os.makedirs(self.home, exist_ok=True)

    def orvane(self, arguments, settings=(), cli=None):
        sets = " ".join(f'--set "{s}"' for s in settings)
        return (f"{cli or self.cli} --home {self.home} --tape vtape:{self.library} --yes "
                f'--set "Options/Short Protocoll=1" {sets} {arguments} >/dev/null 2>&1')

    def fresh_library(self):
        shutil.rmtree(self.library, ignore_errors=True)
        sh(f"{self.cli} --home {self.home} --tape vtape:{self.library} vtape create tape1 "
           f"--capacity 400G >/dev/null && {self.cli} --home {self.home} --tape "
           f"vtape:{self.library} vtape insert tape1 >/dev/null")

    def case(self, name, orvane, reference, megabytes, prepare=None, extra_reference=None):
        """Times Orvane and its reference with hyperfine (and the base build's Orvane with
        --base-cli); answers the reference's mean seconds."""
        base = orvane.replace(self.cli, self.base_cli, 1) if self.base_cli else None
        commands = [orvane, reference] + ([extra_reference] if extra_reference else [])
        commands += [base] if base else []
        times = hyperfine(commands, self.runs, prepare)
        if prepare:
            sh(prepare)
        memory = peak_mib(orvane)
        base_memory = float("nan")
        if base:
            if prepare:
                sh(prepare)
            base_memory = peak_mib(base)
        self.row(name, times[0], times[1], megabytes, memory,
                 times[-1] if base else float("nan"), base_memory)
        if extra_reference:
            self.rows.append((name + " (limit: cat|dd)", times[2], times[2], 1.0,
                              megabytes / times[2], float("nan"), float("nan"), float("nan")))
        return times[1]

    def row(self, name, mine, reference, megabytes, memory, base=float("nan"),
            base_memory=float("nan")):
        rate = megabytes / mine if megabytes else float("nan")
        self.rows.append((name, mine, reference, mine / reference, rate, memory, base,
                          base_memory))
        print(f"  {name}: {mine:.2f}s vs {reference:.2f}s, {memory:.1f} MiB (base {base:.2f}s)",
              file=sys.stderr)

    def drive_model(self, name, source, settings, rate, latency_us, megabytes):
        """A backup onto a virtual drive of the given native rate and per-command latency: its
        time against the drive's own time for the bytes, and whether the drive kept streaming."""
        environment = f"ORVANE_VTAPE_RATE={rate} ORVANE_VTAPE_LATENCY_US={latency_us}"
        command = environment + " " + self.orvane(f"backup {source}", settings)
        times = hyperfine([command], self.runs, prepare="sync")
        report = drive_report(self.library)
        memory = peak_mib(command)
        drive_seconds = report["bytes"] / rate
        self.row(name, times[0], drive_seconds, megabytes, memory)
        self.notes.append(
            f"{name}: {report['rate_mb_s']:.0f} MB/s while streaming, "
            f"{report['commands']:.0f} commands, {report['starvations']:.0f} starvations "
            f"(gaps longer than one command), deepest gap {report['deepest_gap_ms']:.1f} ms = "
            f"a buffer of {report['deepest_buffer_bytes'] / MiB:.1f} MiB")

    def window_catalog(self, name, reference_seconds, files):
        """The Restore tab's fast catalog load on the real window: the timing program reports
        the seconds from the button press until the tree is painted; peak memory is that of
        the whole window process."""
        if not self.window_timing or not os.path.exists(self.window_timing):
            print(f"  {name}: skipped, no window timing program (build with "
                  f"-DORVANE_BUILD_BENCH=ON)", file=sys.stderr)
            return None
        command = (f"QT_QPA_PLATFORM=offscreen {self.window_timing} --home {self.home} "
                   f"--tape vtape:{self.library}")
        seconds, memory = [], []
        for _ in range(self.runs):
            with tempfile.NamedTemporaryFile(suffix=".txt") as report:
                out = subprocess.run(["/usr/bin/time", "-v", "-o", report.name, "sh", "-c",
                                      command], capture_output=True, text=True)
                if out.returncode != 0:
                    sys.exit(f"window catalog failed ({out.returncode}):\n{out.stderr}")
                shown_seconds, shown_files, _nodes = out.stdout.split()
                if int(shown_files) != files:
                    sys.exit(f"window catalog shows {shown_files} files, not {files}")
                seconds.append(float(shown_seconds))
                memory.append(peak_from_report(report.name))
        mine = sum(seconds) / len(seconds)
        self.row(name, mine, reference_seconds, 0, max(memory))
        return mine, max(memory)

    def base_window_catalog(self, files):
        """The base build's window timing, when there is one beside --base-cli."""
        timing = os.path.join(os.path.dirname(self.base_cli or ""), "gui_catalog_timing")
        if not self.base_cli or not os.path.exists(timing):
            return
        mine = self.window_timing
        self.window_timing = timing
        before = len(self.rows)
        self.window_catalog("(base) window", 1.0, files)
        self.window_timing = mine
        if len(self.rows) > before:
            row = self.rows.pop()
            name, mine_row = self.rows[-1][0], self.rows[-1]
            self.rows[-1] = mine_row[:6] + (row[1], row[5])

    def table(self):
        print(f"{'case':48} {'orvane s':>9} {'ref s':>8} {'ratio':>6} {'MB/s':>8} {'peak MiB':>9}"
              f" {'base s':>8} {'base ratio':>10} {'base MiB':>9}")
        for name, mine, ref, ratio, rate, memory, base, base_memory in self.rows:
            print(f"{name:48} {mine:9.2f} {ref:8.2f} {ratio:6.2f} {rate:8.1f} {memory:9.1f}"
                  f" {base:8.2f} {base / ref:10.2f} {base_memory:9.1f}")
        for note in self.notes:
            print(note)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--gui", help="the desktop program (not run by any case)")
    parser.add_argument("--window-timing",
                        help="the window's catalog timing program; default: gui_catalog_timing "
                             "beside --cli")
    parser.add_argument("--quick", action="store_true", help="smaller data, one run each")
    parser.add_argument("--base-cli", help="another build's orvane-cli, timed beside --cli")
    parser.add_argument("--catalog-files", type=int,
                        help="files of the catalog case (default 500,000; --quick 50,000)")
    parser.add_argument("cases", nargs="*", default=["large", "small", "compress", "restore",
                                                      "verify", "seek", "drive", "catalog"])
    args = parser.parse_args()
    base = os.environ.get("BENCH_DIR", "/var/tmp")
    work = tempfile.mkdtemp(prefix="orvane-bench-", dir=base)
    runs = 1 if args.quick else 3
    large_mib = 256 if args.quick else 1024
    window_timing = args.window_timing or os.path.join(os.path.dirname(args.cli),
                                                        "gui_catalog_timing")
    bench = Bench(os.path.abspath(args.cli), os.path.abspath(window_timing), work, runs,
                  os.path.abspath(args.base_cli) if args.base_cli else None)
    try:
        print(f"data in {work}", file=sys.stderr)
        data = f"{work}/data"
        tar = f"{work}/out.tar"
        no_zip = ["Compressions/Softcompression=0"]
        if {"large", "restore", "verify", "drive"} & set(args.cases):
            make_large(f"{data}/large", large_mib)
            bench.fresh_library()
        if "large" in args.cases:
            # Like Orvane, which drops the old set from its cartridge when a new one begins, the
            # references drop their old output first; they remove it rather than cut it to nothing,
            # since ext4 flushes a file cut and written again when it is closed. Every run starts
            # with no dirty pages, so that no run pays for the write-back of another.
            bench.case("backup large files", bench.orvane(f"backup {data}/large/", no_zip),
                       f"rm -f {tar}; tar -b 64 -cf {tar} -C {data} large", large_mib,
                       prepare="sync",
                       extra_reference=f"rm -f {work}/out.dd; cat {data}/large/* | "
                       f"dd bs=32k of={work}/out.dd status=none")
        if "restore" in args.cases or "verify" in args.cases:
            sh(bench.orvane(f"backup {data}/large/", no_zip))
            sh(f"tar -b 64 -cf {tar} -C {data} large")
        if "restore" in args.cases:
            target = f"{work}/restored"
            bench.case("restore large set", bench.orvane(
                f"restore --target {target}/ {data}/large/", ["Restore Settings/Restore Options=2"]),
                f"tar -xf {tar} -C {target}", large_mib,
                prepare=f"rm -rf {target} && mkdir -p {target} && sync")
            bench.case("restore one file of the large set", bench.orvane(
                f"restore --target {target}/ {data}/large/large3.bin",
                ["Restore Settings/Restore Options=2"]),
                f"tar -xf {tar} -C {target} large/large3.bin", large_mib / 4,
                prepare=f"rm -rf {target} && mkdir -p {target} && sync")
        if "verify" in args.cases:
            bench.case("verify large set", bench.orvane("verify"),
                       f"tar -b 64 -df {tar} -C {data}", large_mib, prepare="sync")
        if "drive" in args.cases:
            # LTO-9: 400 MB/s native, a command latency of 0.2 ms.
            for settings, label in ((no_zip, "plain"),
                                    (["Compressions/Softcompression=1", "Compressions/Faktor=6"],
                                     "soft compression 6")):
                bench.drive_model(f"backup large files to an LTO-9 model, {label}",
                                  f"{data}/large/", settings, 400e6, 200, large_mib)
        if "small" in args.cases:
            small_files = 50000
            small_mib = small_files * 4.25 / 1024
            make_small(f"{data}/small", small_files)
            bench.case(f"backup {small_files:,} small files",
                       bench.orvane(f"backup {data}/small/", no_zip),
                       f"rm -f {tar}; tar -b 64 -cf {tar} -C {data} small", small_mib,
                       prepare="sync")
            sh(bench.orvane(f"backup {data}/small/", no_zip))
            sh(f"rm -f {tar}; tar -b 64 -cf {tar} -C {data} small")
            target = f"{work}/restored"
            bench.case(f"restore {small_files:,} small files", bench.orvane(
                f"restore --target {target}/ {data}/small/", ["Restore Settings/Restore Options=2"]),
                f"tar -xf {tar} -C {target}", small_mib,
                prepare=f"rm -rf {target} && mkdir -p {target} && sync")
            bench.case(f"verify {small_files:,} small files", bench.orvane("verify"),
                       f"tar -b 64 -df {tar} -C {data}", small_mib, prepare="sync")
            shutil.rmtree(f"{data}/small", ignore_errors=True)
        if "seek" in args.cases:
            many_small = 200000
            make_small(f"{data}/seek", many_small, 1000)
            sh(f"head -c 1M /dev/urandom > '{data}/seek/dir500/one.bin'")
            bench.fresh_library()
            sh(bench.orvane(f"backup {data}/seek/", no_zip))
            sh(f"rm -f {tar}; tar -b 64 -cf {tar} -C {data} seek")
            target = f"{work}/restored"
            bench.case(f"restore one 1 MiB file of {many_small + 1:,}", bench.orvane(
                f"restore --target {target}/ {data}/seek/dir500/one.bin",
                ["Restore Settings/Restore Options=2"]),
                f"tar -xf {tar} -C {target} seek/dir500/one.bin", 1,
                prepare=f"rm -rf {target} && mkdir -p {target} && sync")
            shutil.rmtree(f"{data}/seek", ignore_errors=True)
        if "compress" in args.cases:
            text_mib = 128 if args.quick else 512
            make_text(f"{data}/text", text_mib)
            bench.case("backup 512 MiB text, soft compression 6",
                       bench.orvane(f"backup {data}/text/",
                                    ["Compressions/Softcompression=1", "Compressions/Faktor=6"]),
                       f"rm -f {tar}; tar -b 64 -cf {tar} -I 'gzip -6' -C {data} text", text_mib,
                       prepare="sync")
        if "catalog" in args.cases:
            files = args.catalog_files or (50000 if args.quick else 500000)
            dirs = max(1, files // 10)
            shutil.rmtree(data, ignore_errors=True)
            make_many(f"{data}/many", files, dirs)
            # The reference lists a tar of the very same tree.
            many_tar = f"{work}/many.tar"
            sh(f"tar -cf {many_tar} -C {data} many")
            bench.fresh_library()
            sh(bench.orvane(f"backup {data}/many/", no_zip))
            # The backup's writes are on disk before the clock runs.
            sh("sync")
            reference = bench.case(f"catalog of {files:,} files (CLI, fast)",
                                   bench.orvane("catalog"), f"tar -tf {many_tar} >/dev/null", 0)
            cli_row = bench.rows[-1]
            window = bench.window_catalog(f"catalog of {files:,} files (window, fast)",
                                          reference, files)
            bench.base_window_catalog(files)
            if files == 500000:
                bench.notes.append(target_note("CLI", cli_row[1], 3, cli_row[5]))
                if window:
                    bench.notes.append(target_note("window", window[0], 5, window[1]))
            if files == 5000000:
                bench.notes.append(target_note("CLI", cli_row[1], 5, cli_row[5], 1000))
                if window:
                    bench.notes.append(target_note("window", window[0], 10, window[1], 1000))
        bench.table()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
