#!/usr/bin/env python3
"""The release round trip: two clones of HEAD at different paths, built one
after the other with scripts/release, give the same setup program, byte for
byte. One is signed with a throwaway self-signed code-signing certificate;
its detached signature, attached to the other build, gives the same signed
file. The signed setup installs and uninstalls under Wine (GLOAMREEF_WINE
picks which) and installs itself as uninstall.exe unchanged.

round_trip.py <repo root> <scratch folder> <fixture folder>
"""
import hashlib
import os
import shutil
import subprocess
import sys


def run(*command, **options):
    """Runs a command; a build's output is shown only when it fails."""
    print("$", " ".join(command), flush=True)
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, **options)
    lines = done.stdout.splitlines()
    print("\n".join(lines if done.returncode else [l for l in lines if l.startswith("release:")]))
    done.check_returncode()
    return done


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def make_certificate(folder):
    """A self-signed code-signing certificate: (pfx, password file, cert.pem)."""
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    pfx, password = os.path.join(folder, "signer.pfx"), os.path.join(folder, "password")
    with open(password, "w") as f:
        f.write(os.urandom(12).hex())
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
        "-days", "2", "-subj", "/CN=Gloam Reef throwaway test signer",
        "-addext", "keyUsage=critical,digitalSignature",
        "-addext", "extendedKeyUsage=codeSigning")
    run("openssl", "pkcs12", "-export", "-out", pfx, "-inkey", key, "-in", cert,
        "-passout", "file:" + password)
    return pfx, password, cert


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    root, scratch, fixtures = sys.argv[1:4]
    shutil.rmtree(scratch, ignore_errors=True)
    commit = subprocess.run(["git", "rev-parse", "HEAD"], cwd=root, check=True,
                            capture_output=True, text=True).stdout.strip()
    # Paths of different lengths, so that a path left in the build shifts bytes.
    clones = [os.path.join(scratch, "a"), os.path.join(scratch, "second", "clone", "elsewhere")]
    for clone in clones:
        run("git", "clone", "--quiet", "--no-checkout", root, clone)
        run("git", "-C", clone, "checkout", "--quiet", commit)
    pfx, password, cert = make_certificate(scratch)

    first, second = clones
    run(os.path.join(first, "scripts", "release"), "--sign", pfx, "--password-file", password)
    name = next(n for n in os.listdir(os.path.join(first, "dist")) if n.endswith(".exe"))
    signature = os.path.join(first, "dist", name + ".sig")
    run(os.path.join(second, "scripts", "release"), "--attach", signature, "--ca", cert)

    failures = []
    unsigned = [sha256(os.path.join(c, "build", "release", "gloamreef-setup.exe")) for c in clones]
    signed = [os.path.join(c, "dist", name) for c in clones]
    print("unsigned SHA-256 of commit %s: %s and %s" % (commit, unsigned[0], unsigned[1]))
    print("signed SHA-256: %s and %s" % (sha256(signed[0]), sha256(signed[1])))
    if unsigned[0] != unsigned[1]:
        failures.append("the two builds of one commit differ")
    if sha256(signed[0]) != sha256(signed[1]):
        failures.append("the signature attached to the second build does not give the signed file")
    sums = [open(os.path.join(c, "dist", "SHA256SUMS")).read() for c in clones]
    if sums[0] != sums[1] or name not in sums[0] or name + ".sig" not in sums[0]:
        failures.append("SHA256SUMS differ or miss a file:\n%s\n%s" % tuple(sums))
    if subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed[0]],
                      stdout=subprocess.DEVNULL).returncode != 0:
        failures.append("osslsigncode verify rejects the signed setup")

    # The signed setup at work: a silent install, then the quiet uninstall.
    wine_run = os.path.join(root, "scripts", "wine-run")
    folder = os.path.join(scratch, "Installed Reef")
    code = subprocess.run([wine_run, signed[0], "/silent", wine_path(folder),
                           wine_path(os.path.join(fixtures, "install_game.apk"))],
                          timeout=120).returncode
    uninstaller = os.path.join(folder, "uninstall.exe")
    if code != 0:
        failures.append("the signed setup's silent install ended with %d" % code)
    elif not os.path.isfile(uninstaller) or sha256(uninstaller) != sha256(signed[0]):
        failures.append("the installed uninstall.exe is not the signed setup")
    code = subprocess.run([wine_run, signed[0], "/uninstall-run", wine_path(folder), "/quiet"],
                          timeout=120).returncode
    if code != 0 or os.path.exists(folder):
        failures.append("the quiet uninstall ended with %d and left the folder: %s"
                        % (code, os.path.exists(folder)))

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        shutil.rmtree(scratch)
        print("two clones give %s; signed, attached and installed alike" % unsigned[0])
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
