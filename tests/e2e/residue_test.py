#!/usr/bin/env python3
"""No residue, no stray writes: install, program-only update, re-install with
another APK and the registered quiet uninstall command in a Wine prefix of
their own, with the whole of drive_c (the temp folder too) and HKCU compared
after each step, and Wine's own list of installed programs read after the
install and after the uninstall.

residue_test.py <repo root> <windows build dir>

The prefix is a fresh copy of the build's initialised one of the Wine in use
(build/windows/wine, or wine10 for GLOAMREEF_WINE=10) in the folder beside it
named with -residue, so no other test can write into it meanwhile; it is
deleted after a passing run and kept after a failing one.
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

PRODUCT = "Gloam Reef Voduze PC Viru"
UNINSTALL_KEY = ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                 "GloamReefMobilePC")
TEMP_COPY = "gloamreef-port-uninstall.exe"

# What Wine itself changes while programs run, with the reason. The registry
# hives (system.reg, user.reg, userdef.reg) lie outside drive_c and are
# compared through "wine reg export" instead.
WINE_NOISE_KEYS = {
    "HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters":
        "volatile key that user32 fills at the start of every session",
}


def wine_env(root, wine_dir=None):
    """The variables scripts/wine-env sets (the Wine GLOAMREEF_WINE picks
    first in PATH), for the build's prefix or the one in wine_dir."""
    env = dict(os.environ, GLOAMREEF_WINE_DIR=wine_dir) if wine_dir else os.environ
    out = subprocess.run(["bash", "-c", "source scripts/wine-env; env -0"], cwd=root,
                         env=env, check=True, capture_output=True).stdout
    env = dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)
    env.setdefault("DISPLAY", env.get("GLOAMREEF_DISPLAY", ":0"))
    return env


def stop_wineserver(root, wine_dir):
    env = wine_env(root, wine_dir)
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, stderr=subprocess.DEVNULL)


class Prefix:
    def __init__(self, root, build):
        self.root = root
        # The build's prefix of the Wine in use (build/windows/wine, wine10...).
        source = os.path.dirname(wine_env(root)["WINEPREFIX"])
        self.wine_dir = source + "-residue"
        self.env = dict(os.environ, GLOAMREEF_WINE_DIR=self.wine_dir)
        subprocess.run([os.path.join(root, "scripts", "wine-start")], check=True)
        if os.path.isdir(self.wine_dir):
            self.stop()
            shutil.rmtree(self.wine_dir)
        # A running wineserver writes its registry to disk only now and then,
        # through temporary files: end it so that the copy is whole and
        # current. The next test's wine-start starts it again.
        stop_wineserver(root, source)
        subprocess.run(["cp", "-a", source, self.wine_dir], check=True)
        for stale in ("xvfb.pid", ".lock"):
            path = os.path.join(self.wine_dir, stale)
            if os.path.exists(path):
                os.remove(path)
        self.prefix = os.path.join(self.wine_dir, "prefix")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.home = os.path.join(self.wine_dir, "home")
        user = os.environ.get("USER") or "root"
        self.profile = os.path.join(self.drive_c, "users", user)
        # Desktop, Documents and the like link to the HOME of the prefix they
        # were copied from: point them at this prefix's own.
        for name in os.listdir(self.profile):
            link = os.path.join(self.profile, name)
            if os.path.islink(link) and os.readlink(link).startswith(source):
                target = self.wine_dir + os.readlink(link)[len(source):]
                os.remove(link)
                os.symlink(target, link)
        subprocess.run([os.path.join(root, "scripts", "wine-start")], env=self.env, check=True)
        self.hashes = {}
        # Start from a profile without our entry, whatever earlier tests left.
        self.run("reg", "delete", UNINSTALL_KEY, "/f")

    def run(self, *args, timeout=120):
        return subprocess.run(["wine"] + list(args), env=wine_env(self.root, self.wine_dir),
                              timeout=timeout,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def installed_programs(self):
        """What "wine uninstaller --list" prints (Wine 10 prints it to stderr)."""
        done = subprocess.run(["wine", "uninstaller", "--list"], timeout=120,
                              env=wine_env(self.root, self.wine_dir), capture_output=True)
        return (done.stdout + done.stderr).decode(errors="replace")

    def stop(self):
        stop_wineserver(self.root, self.wine_dir)

    def content_hash(self, path, stat):
        # A file whose size, times and inode are unchanged keeps its hash.
        key = (path, stat.st_size, stat.st_mtime_ns, stat.st_ctime_ns, stat.st_ino)
        if key not in self.hashes:
            digest = hashlib.sha1()
            with open(path, "rb") as f:
                for block in iter(lambda: f.read(1 << 20), b""):
                    digest.update(block)
            self.hashes[key] = digest.hexdigest()
        return self.hashes[key]

    def files(self):
        """drive_c and HOME (as "~/..."): relative path -> ("dir",),
        ("link", target) or (size, hash)."""
        result = {}
        walks = [(folder, dirs, names, self.drive_c) for folder, dirs, names in os.walk(self.drive_c)]
        walks += [(folder, dirs, names, None) for folder, dirs, names in os.walk(self.home)]
        for folder, dirs, names, base in walks:
            for name in dirs + names:
                path = os.path.join(folder, name)
                relative = (os.path.relpath(path, base) if base else
                            os.path.join("~", os.path.relpath(path, self.home)))
                if os.path.islink(path):
                    result[relative] = ("link", os.readlink(path))
                    if name in dirs:
                        dirs.remove(name)
                elif os.path.isdir(path):
                    result[relative] = ("dir",)
                else:
                    stat = os.stat(path)
                    result[relative] = (stat.st_size, self.content_hash(path, stat))
        return result

    def registry(self):
        """HKCU as "wine reg export" writes it: the set of (key, value line)."""
        export = os.path.join(self.wine_dir, "hkcu.reg")
        if os.path.exists(export):
            os.remove(export)
        self.run("reg", "export", "HKCU", "Z:" + export.replace("/", "\\"), "/y")
        with open(export, "rb") as f:
            text = f.read().decode("utf-16")
        entries, key, pending = set(), None, ""
        for line in text.splitlines():
            if pending:
                line, pending = pending + line.strip(), ""
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1]
                continue
            if line.startswith("[") and line.endswith("]"):
                key = line[1:-1]
                entries.add((key, None))
            elif line and key is not None:
                entries.add((key, line))
        return entries

    def snapshot(self):
        return self.files(), self.registry()


def differences(before, after):
    changed = set()
    for path in set(before) | set(after):
        if before.get(path) != after.get(path):
            changed.add(path)
    return changed


def under(path, folder):
    return path == folder or path.startswith(folder + os.sep)


def under_key(key, parent):
    return key == parent or key.startswith(parent + "\\")


def wine_path(prefix, relative):
    return "C:\\" + relative.replace("/", "\\")


def registered_command(registry, name):
    """The program and arguments of a command value of the uninstall entry,
    split as the shell splits "\"<program>\" <arguments>"."""
    prefix = '"%s"="' % name
    for key, line in registry:
        if key == UNINSTALL_KEY and line and line.startswith(prefix):
            command = re.sub(r"\\(.)", r"\1", line[len(prefix):-1])
            program, _, arguments = command[1:].partition('" ')
            return [program] + arguments.split()
    return None


def main():
    root, build = sys.argv[1], sys.argv[2]
    setup = os.path.join(build, "gloamreef-setup.exe")
    fixtures = os.path.join(build, "fixtures")
    prefix = Prefix(root, build)
    failures = []
    try:
        profile = os.path.relpath(prefix.profile, prefix.drive_c)
        install = os.path.join(profile, "AppData", "Local", "Programs", PRODUCT)
        shortcut = os.path.join(profile, "AppData", "Roaming", "Microsoft", "Windows",
                                "Start Menu", "Programs", PRODUCT + ".lnk")
        # The prefix's Desktop is a link to HOME.
        desktop = os.path.join("~", PRODUCT + ".lnk")
        # Wine 8 keeps the user's temp folder at C:\users\<user>\Temp.
        temp = os.path.join(profile, "Temp")
        if not os.path.isdir(os.path.join(prefix.drive_c, temp)):
            temp = os.path.join(profile, "AppData", "Local", "Temp")
        temp_copy = os.path.join(temp, TEMP_COPY)
        allowed_files = [install, shortcut, desktop]
        # The install creates the missing parents of its folder; the
        # uninstaller removes only the folder itself. Here that is the
        # per-user Programs folder, a standard folder of Windows.
        parents = []
        folder = os.path.dirname(install)
        while folder != profile:
            parents.append(folder)
            folder = os.path.dirname(folder)

        # Likewise the registration creates the missing parents of its key:
        # a fresh profile may not have the Uninstall key yet, and the
        # uninstaller leaves that standard key (empty) in place.
        parent_keys = []
        key = UNINSTALL_KEY.rsplit("\\", 1)[0]
        while key.count("\\") > 1:
            parent_keys.append(key)
            key = key.rsplit("\\", 1)[0]

        def check(step, before, after, allowed, allowed_keys=(UNINSTALL_KEY,)):
            files = differences(before[0], after[0])
            stray = sorted(p for p in files
                           if not any(under(p, a) for a in allowed) and
                           not (p in parents and after[0].get(p) == ("dir",)))
            keys = {k for k in before[1] ^ after[1]
                    if not any(under_key(k[0], n) for n in WINE_NOISE_KEYS)}
            stray_keys = sorted(str(k) for k in keys
                                if not any(under_key(k[0], a) for a in allowed_keys) and
                                not (k[0] in parent_keys and k[1] is None and k in after[1]))
            if stray or stray_keys:
                failures.append("%s changed more than it may:\n  %s" % (
                    step, "\n  ".join(stray + stray_keys)))
            return files

        def apk(name):
            return "Z:" + os.path.join(fixtures, name).replace("/", "\\")

        target = wine_path(prefix, install)
        start = prefix.snapshot()

        if prefix.run(setup, "/silent", target, apk("install_game.apk")) != 0:
            failures.append("the install did not end with 0")
        installed = prefix.snapshot()
        changed = check("install", start, installed, allowed_files)
        for wanted in (os.path.join(install, "gloamreef.exe"), os.path.join(install, "uninstall.exe"),
                       os.path.join(install, "gamedata", "libGloamReef.so"), shortcut):
            if wanted not in changed:
                failures.append("the install did not write " + wanted)
        if not any(k[0] == UNINSTALL_KEY for k in installed[1] - start[1]):
            failures.append("the install did not register itself")
        listed = "GloamReefMobilePC|||" + PRODUCT
        if listed not in prefix.installed_programs():
            failures.append("wine uninstaller --list does not list the game after the install")

        if prefix.run(setup, "/silent", target, "") != 0:
            failures.append("the program-only update did not end with 0")
        updated = prefix.snapshot()
        changed = check("program-only update", installed, updated, allowed_files)
        if any(under(p, os.path.join(install, "gamedata")) for p in changed):
            failures.append("the program-only update touched the game data")

        if prefix.run(setup, "/silent", target, apk("install_game_v2.apk")) != 0:
            failures.append("the re-install did not end with 0")
        reinstalled = prefix.snapshot()
        check("re-install", updated, reinstalled, allowed_files)

        # The registered quiet command, as a script runs it: the launcher
        # waits for its temporary copy's removal; the copy deletes
        # uninstall.exe once the launcher has ended and goes itself as it ends.
        command = registered_command(reinstalled[1], "QuietUninstallString")
        code = prefix.run(*command) if command else None
        if code != 0:
            failures.append("the registered quiet uninstall %s ended with %s" % (command, code))
        # Whatever is still there after that shows up as left over below.
        deadline = time.monotonic() + 20
        while (any(os.path.exists(os.path.join(prefix.drive_c, p)) for p in (install, temp_copy))
               and time.monotonic() < deadline):
            time.sleep(0.2)
        removed = prefix.snapshot()
        check("uninstall", reinstalled, removed, allowed_files)
        # The temp folder is part of drive_c: nothing may stay there either.
        leftovers = check("the whole round", start, removed, allowed_files, ())
        unexpected = sorted(p for p in leftovers if p not in parents)
        if unexpected:
            failures.append("left after the uninstall:\n  " + "\n  ".join(unexpected))
        if listed in prefix.installed_programs():
            failures.append("wine uninstaller --list still lists the game after the uninstall")
    finally:
        prefix.stop()

    for failure in failures:
        print("FAIL:", failure)
    if failures:
        print("the prefix stays for a look:", prefix.wine_dir)
        return 1
    shutil.rmtree(prefix.wine_dir)
    print("no residue: drive_c and HKCU changed only where the installation lives")
    return 0


if __name__ == "__main__":
    sys.exit(main())
