#!/usr/bin/env python3
"""Times the game data import against its peers on one generated APK.

Run through bench/run, which builds the programs first. Every tool runs as a
whole process, once per round, in alternating order; the output folder is
emptied and the disk synced before each run, outside the timing. Ratios are
taken round by round (ours against the peer of the same round), so the
machine's drift cancels, and their median is printed.
"""
import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CACHE = os.path.join(ROOT, "bench", "cache")
HOST_BUILD = os.path.join(ROOT, "build", "bench-host")
WINDOWS_BUILD = os.path.join(ROOT, "build", "bench-windows")
MIB = 1 << 20

PYTHON_EXTRACT = ("import sys, zipfile\n"
                  "archive = zipfile.ZipFile(sys.argv[1])\n"
                  "archive.extractall(sys.argv[2], [n for n in archive.namelist()"
                  " if n.startswith('assets/')])\n")


def cached_apk():
    """The benchmark APK, rebuilt only when its generator changed."""
    generator = os.path.join(ROOT, "bench", "make_apk.py")
    with open(generator, "rb") as source:
        stamp = hashlib.sha256(source.read()).hexdigest()
    apk = os.path.join(CACHE, "bench.apk")
    stamp_file = apk + ".stamp"
    if not (os.path.exists(apk) and os.path.exists(stamp_file)
            and open(stamp_file).read() == stamp):
        os.makedirs(CACHE, exist_ok=True)
        print("generating", apk, flush=True)
        subprocess.run([sys.executable, generator, apk + ".part"], check=True)
        os.replace(apk + ".part", apk)
        with open(stamp_file, "w") as out:
            out.write(stamp)
    return apk


# Output folders are not deleted between runs but moved here. On ext4
# without a journal the inode allocator passes over every inode freed in
# the last dirty_expire interval plus 10 s (40 s by default), looking each
# one up: right after deleting the previous run's 3,000 files, creating
# files costs several times what it does otherwise, and that would swamp
# what is measured.
TRASH = os.path.join(CACHE, "trash")
TRASH_LIMIT = 24                # output folders, up to 285 MB each
trashed = []


def empty_trash():
    """Deletes the trash and waits until the freed inodes are no longer
    recent, all outside any timing."""
    if not os.path.exists(TRASH):
        return
    shutil.rmtree(TRASH)
    os.sync()
    with open("/proc/sys/vm/dirty_expire_centisecs") as expire:
        recent_seconds = int(expire.read()) / 100 + 10 + 1
    print("  (trash emptied, waiting %.0f s for the freed inodes to age)" % recent_seconds,
          flush=True)
    time.sleep(recent_seconds)
    trashed.clear()


def fresh_folder(path):
    if not path.startswith(CACHE + os.sep):  # a tmpfs: nothing to age
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        return
    if os.path.exists(path):
        if len(trashed) >= TRASH_LIMIT:
            empty_trash()
        os.makedirs(TRASH, exist_ok=True)
        trashed.append(os.path.join(TRASH, "%d-%s" % (time.time_ns(), os.path.basename(path))))
        os.rename(path, trashed[-1])
    os.makedirs(path)
    os.sync()


def run_timed(argv, env=None):
    """Wall time, CPU times and peak RSS (MiB) of one process. The peak comes
    from GNU time: a child forked from this Python process would report
    Python's own resident size as its peak."""
    rss_file = os.path.join(CACHE, "peak-rss")
    # A file, not a pipe: Wine's helper processes (its desktop, services)
    # inherit the handle and may hold a pipe open long after the program.
    with tempfile.TemporaryFile(dir=CACHE) as errors:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_file] + argv,
                                 stdout=subprocess.DEVNULL, stderr=errors, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        exit_code = child.returncode = os.waitstatus_to_exitcode(status)
        errors.seek(0)
        error = errors.read().decode(errors="replace")
    if exit_code != 0:
        raise RuntimeError("%s failed with exit code %d %s"
                           % (" ".join(os.path.basename(a) for a in argv[:3]), exit_code,
                              error.strip()))
    with open(rss_file) as peak:
        rss = int(peak.read().split()[-1]) / 1024
    return {"wall": wall, "user": usage.ru_utime, "sys": usage.ru_stime, "rss": rss}


def tree_digest(folder):
    """Relative path -> SHA-256 of every file below folder."""
    digests = {}
    for directory, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(directory, name)
            with open(path, "rb") as data:
                digests[os.path.relpath(path, folder)] = hashlib.sha256(data.read()).hexdigest()
    return digests


def check_same_output(apk, ours, out):
    """Our import and bsdtar must leave the same assets, or the times compare
    different work."""
    fresh_folder(out + "-ours")
    run_timed(ours + [apk, out + "-ours"])
    fresh_folder(out + "-bsdtar")
    run_timed(["bsdtar", "-x", "-f", apk, "-C", out + "-bsdtar", "assets"])
    same = (tree_digest(os.path.join(out + "-ours", "assets"))
            == tree_digest(os.path.join(out + "-bsdtar", "assets")))
    with zipfile.ZipFile(apk) as archive:
        library = archive.read("lib/armeabi/libGloamReef.so")
    with open(os.path.join(out + "-ours", "libGloamReef.so"), "rb") as written:
        same = same and written.read() == library
    if not same:
        sys.exit("bench: the import's output differs from bsdtar's; no times taken")


def time_rounds(tools, runs, out, env=None, tolerate_failures=False):
    """tools: name -> argv builder(out folder). Returns name -> list of runs;
    a failed run is None when failures are tolerated (and printed)."""
    names = list(tools)
    for name in names:                      # warm-up, untimed
        fresh_folder(out)
        run_timed(tools[name](out), env)
    results = {name: [] for name in names}
    for round_number in range(runs):
        order = names if round_number % 2 == 0 else names[::-1]
        for name in order:
            fresh_folder(out)
            try:
                results[name].append(run_timed(tools[name](out), env))
            except RuntimeError as error:
                if not tolerate_failures:
                    raise
                print("  %s: run failed (%s)" % (name, error), flush=True)
                results[name].append(None)
        print("  round %d/%d done (load %.2f)" % (round_number + 1, runs, os.getloadavg()[0]),
              flush=True)
    return results


def median(runs, key):
    return statistics.median(run[key] for run in runs if run)


def print_table(results, ours):
    print()
    print("%-22s %9s %9s %9s %9s %11s %9s" %
          ("tool", "median s", "min s", "user s", "sys s", "ours/tool", "peak MiB"))
    for name, runs in results.items():
        if not any(runs):
            print("%-22s every run failed" % name)
            continue
        print("%-22s %9.3f %9.3f %9.3f %9.3f %10.2fx %9.1f" %
              (name, median(runs, "wall"), min(r["wall"] for r in runs if r),
               median(runs, "user"), median(runs, "sys"), ratio_of(results, ours, name),
               max(r["rss"] for r in runs if r)))


def ratio_of(results, ours, peer):
    """Median of the round-by-round ratios (rounds where both ran)."""
    return statistics.median(a["wall"] / b["wall"]
                             for a, b in zip(results[ours], results[peer]) if a and b)


def importer(workers):
    return [os.path.join(HOST_BUILD, "bench", "import_apk"), "--workers", str(workers)]


def close_delay_environment(delay_ms, out):
    """The environment that makes every close() of a file written below out
    wait delay_ms first (bench/close_delay.c), or None for no delay."""
    if delay_ms <= 0:
        return None
    env = dict(os.environ)
    env["LD_PRELOAD"] = os.path.join(HOST_BUILD, "bench", "libclose_delay.so")
    env["GLOAMREEF_CLOSE_DELAY_MS"] = str(delay_ms)
    env["GLOAMREEF_CLOSE_DELAY_DIR"] = out
    return env


def import_benchmark(apk, runs, threads, target, candidate, only_import, close_delay_ms):
    ours = importer(threads)
    serial = importer(1)
    lower_bound = [os.path.join(HOST_BUILD, "bench", "lower-bound")]
    out = os.path.join(target["folder"], "out")
    check_same_output(apk, ours, out)
    check_same_output(apk, serial, out)
    tools = {
        "ours (import)": lambda o: ours + [apk, o],
        "import, 1 worker": lambda o: serial + [apk, o],
        "bsdtar -x": lambda o: ["bsdtar", "-x", "-f", apk, "-C", o, "assets"],
        "unzip": lambda o: ["unzip", "-q", "-o", apk, "assets/*", "-d", o],
        "python zipfile": lambda o: ["/usr/bin/python3", "-c", PYTHON_EXTRACT, apk, o],
        "lower bound (zlib)": lambda o: lower_bound + [apk],
        "cp of the APK": lambda o: ["cp", apk, os.path.join(o, "copy.apk")],
    }
    if only_import:
        tools = {name: tools[name]
                 for name in ("ours (import)", "import, 1 worker", "lower bound (zlib)")}
    elif close_delay_ms > 0:
        # Peers that write through fopen() or are slow anyway add only waiting.
        tools = {name: tools[name] for name in ("ours (import)", "import, 1 worker", "bsdtar -x",
                                                "lower bound (zlib)")}
    if candidate:
        check_same_output(apk, [candidate], out)
        tools["candidate import"] = lambda o: [candidate, apk, o]
    delay_env = close_delay_environment(close_delay_ms, out)
    print()
    print("import (ours: %d workers) against its peers, output on %s, %d rounds, %s:"
          % (threads, target["name"], runs,
             "every close() of a written file delayed %d ms" % close_delay_ms
             if delay_env else "no close delay"), flush=True)
    results = time_rounds(tools, runs, out, delay_env)
    print_table(results, "ours (import)")
    print("load average after the table: %.2f %.2f %.2f" % os.getloadavg())

    with zipfile.ZipFile(apk) as archive:
        largest = max(info.file_size for info in archive.infolist())
    rss_limit = 2 * largest / MIB + 64
    peak = max(r["rss"] for name in ("ours (import)", "import, 1 worker") for r in results[name])
    print()
    if "bsdtar -x" in results:
        goal = 0.15 if delay_env else 0.50 if target["folder"] != CACHE else 0.60
        print("goal: ours/bsdtar <= %.2f (%s, %s): %.2f"
              % (goal, target["name"], "%d ms close delay" % close_delay_ms if delay_env
                 else "no close delay", ratio_of(results, "ours (import)", "bsdtar -x")))
        print("1 worker/bsdtar: %.2f" % ratio_of(results, "import, 1 worker", "bsdtar -x"))
    print("ours/1 worker: %.2f" % ratio_of(results, "ours (import)", "import, 1 worker"))
    print("ours/lower bound: %.2f" % ratio_of(results, "ours (import)", "lower bound (zlib)"))
    if candidate:
        print("candidate/lower bound: %.2f, candidate/ours: %.2f, candidate peak RSS %.1f MiB"
              % (ratio_of(results, "candidate import", "lower bound (zlib)"),
                 ratio_of(results, "candidate import", "ours (import)"),
                 max(r["rss"] for r in results["candidate import"])))
    print("goal: peak RSS <= 2 x largest entry (%.1f MiB) + 64 MiB = %.1f MiB: %.1f MiB"
          % (largest / MIB, rss_limit, peak))


def wine_environment():
    """The environment of scripts/wine-env, for the bench's own prefix."""
    dump = subprocess.run(["bash", "-c", "source scripts/wine-env && env -0"], cwd=ROOT,
                          check=True, capture_output=True).stdout
    env = dict(item.split("=", 1) for item in dump.decode().split("\0") if "=" in item)
    env["DISPLAY"] = env["GLOAMREEF_DISPLAY"]
    return env


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


IMPORT_STAGE = "Importing the game data from your APK (this takes a moment)..."
NEXT_STAGE = "Copying the game program..."


def log_time(line):
    """The local time a /log= line starts with (YYYY-MM-DD HH:MM:SS.mmm), as
    seconds since the epoch, or None."""
    try:
        stamp = time.strptime(line[:19], "%Y-%m-%d %H:%M:%S")
        return time.mktime(stamp) + int(line[20:23]) / 1000
    except (ValueError, IndexError):
        return None


def silent_split(log_file, started, ended):
    """Seconds from the launch to the log's first line, from there to the
    import stage, in the import stage and from its end to the exit, from the
    setup program's log; None when it wrote none or the stages are missing."""
    try:
        with open(log_file, encoding="utf-8", errors="replace") as log:
            lines = log.read().splitlines()
    except OSError:
        return None
    marks = {}
    for line in lines:
        for stage in (IMPORT_STAGE, NEXT_STAGE):
            if line[24:].startswith("stage: " + stage) and stage not in marks:
                marks[stage] = log_time(line)
    first = log_time(lines[0]) if lines else None
    if first is None or None in marks.values() or len(marks) < 2:
        return None
    return (first - started, marks[IMPORT_STAGE] - first, marks[NEXT_STAGE] - marks[IMPORT_STAGE],
            ended - marks[NEXT_STAGE])


def silent_rounds(setup, apk, out, runs, env):
    """The silent install alone, with its log, split at its stages."""
    log_file = os.path.join(CACHE, "silent.log")
    splits = []
    for _ in range(runs):
        fresh_folder(out)
        if os.path.exists(log_file):
            os.remove(log_file)
        started = time.time()
        try:
            run = run_timed(["wine", setup, "/silent", wine_path(out), wine_path(apk),
                             "/log=" + wine_path(log_file)], env)
        except RuntimeError as error:
            print("  silent install failed (%s)" % error)
            return
        split = silent_split(log_file, started, started + run["wall"])
        if split is None:
            print("/silent by stage: skipped, the setup program wrote no log with its stages"
                  " (/log=)")
            return
        splits.append(split)
    print("/silent by stage, medians of %d runs of %.3f s: %.3f s from the launch to the log's"
          " first line, %.3f s of checks, %.3f s importing, %.3f s for the program, uninstaller,"
          " shortcuts, registry and exit"
          % tuple([runs, statistics.median(sum(s) for s in splits)]
                  + [statistics.median(s[i] for s in splits) for i in range(4)]))


FILE_OPERATIONS = ("folder", "create", "write", "close")


def asset_listing(apk):
    """The APK's assets as file_ops reads them: a "<size> <path>" line each."""
    listing = os.path.join(CACHE, "assets.listing")
    with zipfile.ZipFile(apk) as archive, open(listing, "w", encoding="utf-8") as out:
        for info in archive.infolist():
            if info.filename.startswith("assets/") and not info.is_dir():
                out.write("%d %s\n" % (info.file_size, info.filename))
    return listing


def wineserver_seconds(env):
    """CPU seconds used so far by the wineserver of the bench's prefix. It is
    not a child of the programs it serves, so their own times leave it out."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/comm" % pid) as comm:
                if not comm.read().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if ("WINEPREFIX=" + env["WINEPREFIX"]).encode() not in environ.read().split(b"\0"):
                    continue
            with open("/proc/%s/stat" % pid) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        except OSError:
            continue
    return None


def file_operation_account(apk, runs, threads, folder, env):
    """Where a Windows import's time goes: the import's own file operations
    (apk/file_io.h) on the APK's assets, without any inflating, one kind at a
    time on one thread, natively and under Wine; and the wineserver's CPU
    time during them and during the import, which the programs' own times
    leave out."""
    listing = asset_listing(apk)
    out = os.path.join(folder, "out-file-ops")
    programs = {
        "native": [os.path.join(HOST_BUILD, "bench", "file_ops"), listing, out],
        "Wine": ["wine", os.path.join(WINDOWS_BUILD, "bench", "file_ops.exe"),
                 wine_path(listing), wine_path(out)],
    }
    windows_import = ["wine", os.path.join(WINDOWS_BUILD, "bench", "import_apk.exe"),
                      "--workers", str(threads), wine_path(apk), wine_path(out)]
    spent = {name: {kind: [] for kind in FILE_OPERATIONS} for name in programs}
    counts = {}
    server = {"file_ops.exe": [], "import_apk.exe": []}
    for _ in range(runs):
        for name, argv in programs.items():
            fresh_folder(out)
            before = wineserver_seconds(env)
            done = subprocess.run(argv, env=env, capture_output=True, text=True, check=True)
            if name == "Wine" and before is not None:
                server["file_ops.exe"].append(wineserver_seconds(env) - before)
            for line in done.stdout.splitlines():
                kind, count, seconds = line.split()
                counts[kind] = int(count)
                spent[name][kind].append(float(seconds))
        fresh_folder(out)
        before = wineserver_seconds(env)
        run = run_timed(windows_import, env)
        if before is not None:
            server["import_apk.exe"].append((wineserver_seconds(env) - before, run))
    print()
    print("the import's file operations alone (%d assets, one thread, no inflating), medians of"
          " %d runs:" % (counts["create"], runs))
    print("%-10s %7s %14s %14s %12s %10s" % ("operation", "count", "native us/op", "Wine us/op",
                                             "Wine/native", "Wine s"))
    for kind in FILE_OPERATIONS:
        native, wine = (statistics.median(spent[name][kind]) for name in programs)
        per_operation = 1e6 / max(counts[kind], 1)
        print("%-10s %7d %14.1f %14.1f %11.1fx %10.3f" % (kind, counts[kind], native * per_operation,
              wine * per_operation, wine / native if native else 0, wine))
    totals = {name: statistics.median(sum(run) for run in zip(*spent[name].values()))
              for name in programs}
    print("all of them: native %.3f s, Wine %.3f s" % (totals["native"], totals["Wine"]))
    if server["file_ops.exe"]:
        print("wineserver CPU: %.3f s during file_ops.exe; %.3f s during import_apk.exe"
              " (%d workers), whose own CPU was %.3f s user + %.3f s sys in %.3f s"
              % (statistics.median(server["file_ops.exe"]),
                 statistics.median(s for s, _ in server["import_apk.exe"]), threads,
                 statistics.median(r["user"] for _, r in server["import_apk.exe"]),
                 statistics.median(r["sys"] for _, r in server["import_apk.exe"]),
                 statistics.median(r["wall"] for _, r in server["import_apk.exe"])))


def wine_benchmark(apk, runs, threads, target, env):
    """The import under Wine (the Windows build of import_apk) and, once the
    setup program can install, its silent install, against the host import."""
    setup = os.path.join(WINDOWS_BUILD, "gloamreef-setup.exe")
    windows_importer = os.path.join(WINDOWS_BUILD, "bench", "import_apk.exe")
    out = os.path.join(target["folder"], "out-wine")
    silent = lambda o: ["wine", setup, "/silent", wine_path(o), wine_path(apk)]
    tools = {
        "ours (import)": lambda o: importer(threads) + [apk, o],
        "import_apk.exe (Wine)": lambda o: ["wine", windows_importer, "--workers", str(threads),
                                            wine_path(apk), wine_path(o)],
        "import_apk.exe 1 worker": lambda o: ["wine", windows_importer, "--workers", "1",
                                              wine_path(apk), wine_path(o)],
    }
    print()
    fresh_folder(out)
    try:
        run_timed(silent(out), env)
        installed = os.path.exists(os.path.join(out, "gamedata", "libGloamReef.so"))
    except RuntimeError as error:
        installed = False
        print("(%s)" % error)
    if installed:
        tools["setup /silent (Wine)"] = silent
    else:
        print("silent install under Wine: skipped, the setup program cannot install yet")
    print("under Wine against the host import (%d workers), output on %s, %d rounds:"
          % (threads, target["name"], runs), flush=True)
    results = time_rounds(tools, runs, out, env, tolerate_failures=True)
    print_table(results, "ours (import)")
    if installed:
        print("goal: /silent / ours <= 2.00 (on a tmpfs), here on %s: %.2f"
              % (target["name"], 1 / ratio_of(results, "ours (import)", "setup /silent (Wine)")))
        silent_rounds(setup, apk, out, runs, env)
    if target["folder"] != CACHE:
        file_operation_account(apk, runs, threads, target["folder"], env)


def program_size():
    setup = os.path.join(WINDOWS_BUILD, "gloamreef-setup.exe")
    payload = os.path.join(WINDOWS_BUILD, "gloamreef-standin.exe")
    stripped = os.path.join(CACHE, "setup-stripped.exe")
    subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, setup], check=True)
    size = os.path.getsize(stripped) - os.path.getsize(payload)
    print()
    print("setup program: %.2f MiB as built, %.2f MiB stripped, payload %.1f KiB"
          % (os.path.getsize(setup) / MIB, os.path.getsize(stripped) / MIB,
             os.path.getsize(payload) / 1024))
    print("goal: stripped without payload < 1.50 MiB: %.2f MiB (%d bytes)" % (size / MIB, size))
    os.remove(stripped)


def startup_benchmark(runs, env):
    probe = os.path.join(WINDOWS_BUILD, "bench", "startup-probe.exe")
    setup = os.path.join(WINDOWS_BUILD, "gloamreef-setup.exe")
    done = subprocess.run(["wine", probe, wine_path(setup), str(runs)], env=env,
                          capture_output=True, text=True)
    times = [float(line) for line in done.stdout.split()]
    if done.returncode != 0 or not times:
        print("start-up to visible window under Wine: skipped (%s)" % done.stderr.strip())
        return
    print("start-up to visible window under Wine, %d runs: median %.1f ms (min %.1f, max %.1f)"
          % (len(times), statistics.median(times), min(times), max(times)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=7, help="timed rounds (at least 5)")
    parser.add_argument("--no-wine", action="store_true", help="skip everything under Wine")
    parser.add_argument("--candidate", metavar="IMPORT_APK",
                        help="another build of import_apk to time beside ours (a change to try)")
    parser.add_argument("--only-wine", action="store_true", help="skip the host comparison")
    parser.add_argument("--only-import", action="store_true",
                        help="time only the imports and the lower bound")
    parser.add_argument("--threads", type=int, default=min(os.cpu_count(), 4),
                        help="the import's workers beside 1 (default: cores, at most 4)")
    parser.add_argument("--no-disk", action="store_true",
                        help="output on a tmpfs only, not also on the disk")
    parser.add_argument("--close-delay-ms", type=int, default=0, metavar="N",
                        help="delay every close() of a file the native tools write by N ms, as"
                             " a virus scanner does on Windows (the imports, bsdtar and the"
                             " lower bound only)")
    args = parser.parse_args()
    runs = max(args.runs, 5)
    threads = max(args.threads, 1)
    targets = [{"name": "a tmpfs", "folder": tempfile.mkdtemp(prefix="gloamreef-bench-",
                                                              dir="/dev/shm")}]
    if not args.no_disk:
        targets.append({"name": "the disk", "folder": CACHE})

    print("%s, %d cores, load %.2f %.2f %.2f" % ((time.strftime("%Y-%m-%d %H:%M:%S"),
                                                 os.cpu_count()) + os.getloadavg()))
    apk = cached_apk()
    for leftover in os.listdir(CACHE):     # of an interrupted run
        if leftover.startswith("out"):
            fresh_folder(os.path.join(CACHE, leftover))
    empty_trash()
    with zipfile.ZipFile(apk) as archive:
        print("APK: %s, %.1f MiB, %d entries" % (apk, os.path.getsize(apk) / MIB,
                                                 len(archive.infolist())))
    with open(apk, "rb") as data:           # into the page cache, for every tool alike
        while data.read(16 * MIB):
            pass
    try:
        for target in targets if not args.only_wine else []:
            import_benchmark(apk, runs, threads, target,
                             args.candidate and os.path.abspath(args.candidate), args.only_import,
                             args.close_delay_ms)
        if not args.no_wine:
            env = wine_environment()
            subprocess.run([os.path.join(ROOT, "scripts", "wine-start")], env=env, check=True)
            desktop = subprocess.Popen(["wine", os.path.join(WINDOWS_BUILD, "bench",
                                                             "startup-probe.exe"),
                                        "--hold-desktop"], env=env, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL)
            desktop.stdout.readline()     # once the desktop is there
            print()
            print("(Wine's desktop process is kept running during the Wine runs, as Windows'"
                  " desktop always is)")
            try:
                for target in targets:
                    wine_benchmark(apk, runs, threads, target, env)
                program_size()
                startup_benchmark(runs, env)
            finally:
                desktop.kill()
                desktop.wait()
                subprocess.run([os.path.join(ROOT, "scripts", "wine-stop")], env=env)
    finally:
        shutil.rmtree(targets[0]["folder"], ignore_errors=True)
    for leftover in os.listdir(CACHE):
        if leftover.startswith("out"):
            shutil.rmtree(os.path.join(CACHE, leftover))
    shutil.rmtree(TRASH, ignore_errors=True)
    print()
    print("load at the end: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
