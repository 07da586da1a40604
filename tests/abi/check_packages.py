#!/usr/bin/env python3
"""Makes the release packages with CPack and checks each: its name, its files, and the exports,
imports and version block of the DLL inside (tests/abi/check_module.py)."""
import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

EDITIONS = ("token", "trace", "picker")
ARCHES = {"win32": "i686-w64-mingw32-objdump", "win64": "x86_64-w64-mingw32-objdump"}


def expected_files(edition):
    files = {"bin/CVemoDll_C.dll", "include/CVemoDll_C.h", "lib/libCVemoDll_C.a", "lib/CVemoDll_C.lib",
             "docs/api.md", "examples/client.c", "README.md"}
    if edition != "picker":
        files.add("bin/UTSecDll.dll")
    return files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    options = parser.parse_args()

    packages = os.path.join(options.build, "packages")
    made = subprocess.run(["cpack", "--config", os.path.join(options.build, "CPackConfig.cmake"), "-B", packages],
                          cwd=options.build, capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout + made.stderr)
        return 1

    failures = []
    wanted = {f"{edition}-{arch}": expected_files(edition) for edition in EDITIONS for arch in ARCHES}
    for arch in ARCHES:
        wanted[f"softtoken-{arch}"] = {"bin/UTSecDll.dll", "bin/SoftTokenCsp.dll", "bin/tokenctl.exe", "README.md"}
    kit = {"run-checks.cmd", "README.md"}
    for edition in EDITIONS:
        kit |= {f"{edition}/win32_tests.exe", f"{edition}/CVemoDll_C.dll"}
    kit |= {"token/UTSecDll.dll", "token/SoftTokenCsp.dll", "token/tokenctl.exe", "trace/UTSecDll.dll",
            "trace/SoftTokenCsp.dll"}
    pki = os.path.join(options.source, "tests/fixtures/pki")
    kit |= {"pki/" + os.path.relpath(os.path.join(folder, name), pki).replace(os.sep, "/")
            for folder, _, names in os.walk(pki) for name in names}
    wanted["verification-win32"] = kit
    for name, files in sorted(wanted.items()):
        stem = f"CVemoDll_C-{options.version}-{name}"
        path = os.path.join(packages, stem + ".zip")
        if not os.path.exists(path):
            failures.append(f"no package {stem}.zip")
            continue
        with zipfile.ZipFile(path) as package:
            found = {entry[len(stem) + 1:] for entry in package.namelist()
                     if entry.startswith(stem + "/") and not entry.endswith("/")}
            if found != files:
                failures.append(f"{stem}.zip holds {sorted(found)}, expected {sorted(files)}")
                continue
            if name.startswith(("softtoken", "verification")):
                print(f"ok {stem}.zip: {len(files)} files")
                continue
            edition, arch = name.split("-")
            with tempfile.TemporaryDirectory() as folder:
                dll = package.extract(f"{stem}/bin/CVemoDll_C.dll", folder)
                checked = subprocess.run(
                    [sys.executable, os.path.join(options.source, "tests/abi/check_module.py"), "--objdump",
                     ARCHES[arch], "--arch", arch, "--edition", edition, "--release", options.version, dll],
                    capture_output=True, text=True)
                if checked.returncode != 0:
                    failures.append(f"{stem}.zip: {checked.stdout.strip()}")
        print(f"ok {stem}.zip: {len(files)} files")
    for failure in failures:
        print(f"FAIL {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
