#!/usr/bin/env python3
"""Install folders on small disks under Wine: on a read-only one the silent
install, re-install and program-only update fail with exit code 1 and change
nothing; on a disk without room the free-space check refuses before any
write; on a disk that runs out of inodes during the import (a full disk
after a check that passed) the failure names the disk. The run log (/log=)
must name each cause.

read_only_test.py <repo root> <windows build dir>

Wine running as root writes through Unix permissions, so the folder lies on
a small tmpfs that is remounted read-only; the other disks are tmpfs mounts
too. Mounting needs root; without it
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


def mount(root, disk, options):
    os.makedirs(disk, exist_ok=True)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", disk],
                      stderr=subprocess.DEVNULL).returncode != 0:
        return False
    # Wine 10 creates files through its wineserver, which runs in a mount
    # namespace of its own (scripts/wine-chroot) and sees only what was mounted
    # when it started: the next program starts a server that sees this disk.
    subprocess.run(["bash", "-c", "source scripts/wine-env && wineserver -k; wineserver -w"],
                   cwd=root, stderr=subprocess.DEVNULL)
    return True


def main():
    root, build = sys.argv[1], sys.argv[2]
    disk = os.path.join(build, "read-only-disk")
    if not mount(root, disk, "size=64m"):
        print("cannot mount a tmpfs (root needed): skipped")
        return SKIPPED

    def wine_path(path):
        return "Z:" + path.replace("/", "\\")

    log = os.path.join(build, "read-only-test.log")

    def silent(folder, apk):
        """The exit code and the run log's text, line breaks made blanks."""
        code = subprocess.run([os.path.join(root, "scripts", "wine-run"),
                               os.path.join(build, "gloamreef-setup.exe"), "/silent",
                               wine_path(folder), wine_path(apk) if apk else "",
                               "/log=" + wine_path(log)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=120).returncode
        with open(log, encoding="utf-8") as f:
            return code, " ".join(f.read().split("\n"))

    failures = []

    def expect_failure(step, result, cause):
        code, text = result
        if code != 1:
            failures.append("%s ended with %d, not 1" % (step, code))
        if cause not in text or "exit code: 1" not in text:
            failures.append("%s: the log does not say %r:\n%s" % (step, cause, text))

    folder = os.path.join(disk, "Reef")
    fixtures = os.path.join(build, "fixtures")
    game = os.path.join(fixtures, "install_game.apk")
    denied = "The game data could not be written to %s Access was denied." % wine_path(folder)
    cannot_write = "Cannot write gloamreef.exe."
    try:
        if silent(folder, game)[0] != 0:
            failures.append("the install on the writable disk failed")
        before = tree(disk)
        subprocess.run(["mount", "-o", "remount,ro", disk], check=True)
        for step, target, apk, cause in [
                ("re-install", folder, os.path.join(fixtures, "install_game_v2.apk"), denied),
                ("program-only update", folder, "", cannot_write),
                ("install into a new folder", os.path.join(disk, "New"), game,
                 "Cannot create the folder: " + wine_path(os.path.join(disk, "New")))]:
            expect_failure(step, silent(target, apk), cause)
            if tree(disk) != before:
                failures.append("%s changed the read-only disk" % step)
        subprocess.run(["mount", "-o", "remount,rw", disk], check=True)
        # The registration the first install wrote goes with a quiet uninstall.
        subprocess.run([os.path.join(root, "scripts", "wine-run"),
                        os.path.join(build, "gloamreef-setup.exe"), "/uninstall-run",
                        wine_path(folder), "/quiet"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        subprocess.run(["umount", "-l", disk])

        # Less room than the program, the uninstaller and the margin need.
        mount(root, disk, "size=8m")
        expect_failure("install onto a small disk", silent(folder, game),
                       "not installed: There is not enough free space on ")
        if tree(disk):
            failures.append("the refused install wrote to the small disk")
        subprocess.run(["umount", "-l", disk])

        # Room enough, but only four inodes: the disk fills during the import.
        mount(root, disk, "size=64m,nr_inodes=4")
        expect_failure("install onto a disk that fills up", silent(folder, game),
                       "The game data could not be written to %s The disk is full." %
                       wine_path(folder))
        if os.path.exists(os.path.join(folder, "gamedata.new")):
            failures.append("the import into the full disk left gamedata.new")
    finally:
        subprocess.run(["umount", "-l", disk])
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("read-only, small and full disks each fail the install with their cause")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
