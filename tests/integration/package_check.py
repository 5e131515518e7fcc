#!/usr/bin/env python3
# The Debian package built from this build tree as scripts/package.sh builds it (CPack, into a
# temporary folder): its layout by `dpkg-deb --contents`, its control fields, no lintian error
# (warnings are printed), and the menu entry and AppStream metadata accepted by their validators.
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

EXPECTED = [
    "./usr/bin/brinelight",
    "./usr/share/brinelight/object/fish1.pak",
    "./usr/share/brinelight/object/fish2.pak",
    "./usr/share/brinelight/texture.pak",
    "./usr/share/brinelight/initialize.pak",
    "./usr/share/brinelight/bg_sprite1.jpg",
    "./usr/share/brinelight/extensions/tancho.exd",
    "./usr/share/brinelight/fishsave.bin",
    "./usr/share/applications/{id}.desktop",
    "./usr/share/metainfo/{id}.metainfo.xml",
    "./usr/share/man/man6/brinelight.6.gz",
    "./usr/share/doc/brinelight/copyright",
    "./usr/share/doc/brinelight/changelog.gz",
] + ["./usr/share/icons/hicolor/{n}x{n}/apps/{{id}}.png".format(n=n) for n in (16, 22, 24, 32, 48, 64, 128, 256)]

# What a user writes must never be shipped: the roster is the starter one, ledgers and installed
# packs beyond the two shipped ones have no place in the package.
FORBIDDEN_SUFFIXES = (".dat", ".tmp", ".part")


def run(*command, cwd=None):
    result = subprocess.run(list(command), cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    return result.returncode, result.stdout.decode(errors="replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--app-id", required=True)
    args = parser.parse_args()
    missing = [t for t in ("cpack", "dpkg-deb", "lintian", "desktop-file-validate", "appstreamcli")
               if shutil.which(t) is None]
    if missing:
        print("SKIPPED: missing " + ", ".join(missing))
        return SKIP

    failures = []
    tmp = tempfile.mkdtemp(prefix="brine-deb-")
    try:
        code, out = run("cpack", "-G", "DEB", "--config", os.path.join(args.build_dir, "CPackConfig.cmake"),
                        "-B", tmp)
        debs = [f for f in os.listdir(tmp) if f.endswith(".deb")]
        if code != 0 or len(debs) != 1:
            print(out)
            print("FAILED: cpack made %r" % debs)
            return 1
        deb = os.path.join(tmp, debs[0])

        code, contents = run("dpkg-deb", "--contents", deb)
        print(contents)
        paths = {line.split()[-1] for line in contents.splitlines() if line.strip()}
        for path in EXPECTED:
            if path.format(id=args.app_id) not in paths:
                failures.append("not in the package: " + path.format(id=args.app_id))
        for path in paths:
            if path.endswith(FORBIDDEN_SUFFIXES) or ("/object/" in path and path.endswith(".pak")
                                                      and not path.endswith(("fish1.pak", "fish2.pak"))):
                failures.append("written data in the package: " + path)
            if not path.startswith("./usr/"):
                failures.append("outside /usr: " + path)

        code, depends = run("dpkg-deb", "--field", deb, "Depends")
        for needed in ("qt6-qpa-plugins", "qt6-wayland", "libgl1-mesa-dri", "fonts-ipafont-gothic", "libqt6widgets6",
                       "libwayland-client0"):
            if needed not in depends:
                failures.append("Depends lacks %s: %s" % (needed, depends.strip()))

        code, lint = run("lintian", "--no-tag-display-limit", deb)
        tags = [line for line in lint.splitlines() if line[:2] in ("E:", "W:")]
        print("lintian:\n" + ("\n".join(tags) if tags else "no errors, no warnings"))
        failures += ["lintian " + line for line in tags if line.startswith("E:")]

        unpacked = os.path.join(tmp, "root")
        run("dpkg-deb", "-x", deb, unpacked)
        share = os.path.join(unpacked, "usr", "share")
        code, out = run("desktop-file-validate", os.path.join(share, "applications", args.app_id + ".desktop"))
        if code != 0 or out.strip():
            failures.append("desktop-file-validate: " + out)
        code, out = run("appstreamcli", "validate", "--no-net",
                        os.path.join(share, "metainfo", args.app_id + ".metainfo.xml"))
        print(out)
        if code != 0:
            failures.append("appstreamcli validate: " + out)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    for failure in failures:
        print("FAILED: " + failure)
    print("passed" if not failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
