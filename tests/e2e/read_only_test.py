#!/usr/bin/env python3
"""A read-only install folder under Wine: the silent install, re-install and
program-only update fail with exit code 1 and change nothing in it.

read_only_test.py <repo root> <windows build dir>

Wine running as root writes through Unix permissions, so the folder lies on
a small tmpfs that is remounted read-only. Mounting needs root; without it
the test reports itself skipped (exit code 77).
"""
import os
import subprocess
import sys

SKIPPED = 77


def tree(folder):
    result = {}
    for base, dirs, names in os.walk(folder):
        for name in dirs + names:
            path = os.path.join(base, name)
            if os.path.isdir(path):
                result[os.path.relpath(path, folder)] = None
            else:
                with open(path, "rb") as f:
                    result[os.path.relpath(path, folder)] = f.read()
    return result


def main():
    root, build = sys.argv[1], sys.argv[2]
    disk = os.path.join(build, "read-only-disk")
    os.makedirs(disk, exist_ok=True)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs", disk],
                      stderr=subprocess.DEVNULL).returncode != 0:
        print("cannot mount a tmpfs (root needed): skipped")
        return SKIPPED

    def wine_path(path):
        return "Z:" + path.replace("/", "\\")

    def silent(folder, apk):
        return subprocess.run([os.path.join(root, "scripts", "wine-run"),
                               os.path.join(build, "gloamreef-setup.exe"), "/silent",
                               wine_path(folder), wine_path(apk) if apk else ""],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=120).returncode

    failures = []
    folder = os.path.join(disk, "Reef")
    fixtures = os.path.join(build, "fixtures")
    try:
        if silent(folder, os.path.join(fixtures, "install_game.apk")) != 0:
            failures.append("the install on the writable disk failed")
        before = tree(disk)
        subprocess.run(["mount", "-o", "remount,ro", disk], check=True)
        for step, target, apk in [
                ("re-install", folder, os.path.join(fixtures, "install_game_v2.apk")),
                ("program-only update", folder, ""),
                ("install into a new folder", os.path.join(disk, "New"),
                 os.path.join(fixtures, "install_game.apk"))]:
            code = silent(target, apk)
            if code != 1:
                failures.append("%s ended with %d, not 1" % (step, code))
            if tree(disk) != before:
                failures.append("%s changed the read-only disk" % step)
        subprocess.run(["mount", "-o", "remount,rw", disk], check=True)
        # The registration the first install wrote goes with a quiet uninstall.
        subprocess.run([os.path.join(root, "scripts", "wine-run"),
                        os.path.join(build, "gloamreef-setup.exe"), "/uninstall-run",
                        wine_path(folder), "/quiet"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    finally:
        subprocess.run(["umount", "-l", disk])
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("a read-only install folder fails every install and stays as it was")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
