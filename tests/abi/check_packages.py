#!/usr/bin/env python3
"""Makes the release packages with CPack and checks each: its name, its files, the exports,
imports and version block of the DLL inside (tests/abi/check_module.py), the version blocks of
the project's own binaries, and that each binary is the build's own (unsigned build) or carries
a signature (signed build: tests/abi/check-signing.sh checks the signatures)."""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

EDITIONS = ("token", "trace", "picker")
ARCHES = {"win32": "i686-w64-mingw32-objdump", "win64": "x86_64-w64-mingw32-objdump"}

# The packaged binaries: where the build (build/<arch>/) writes each, and the description of the
# project's own in their version block (None: the library, whose blocks check_module.py checks).
EDITION_BINARIES = {
    "bin/CVemoDll_C.dll": ("editions/{edition}/CVemoDll_C.dll", None),
    "bin/UTSecDll.dll": ("editions/{edition}/UTSecDll.dll", "CVemoDll_C software token library"),
    "bin/vemo.exe": ("tools/vemo.exe", "CVemoDll_C command-line client"),
}
SOFTTOKEN_BINARIES = {
    "bin/UTSecDll.dll": ("token/utsecdll/UTSecDll.dll", "CVemoDll_C software token library"),
    "bin/SoftTokenCsp.dll": ("token/provider/SoftTokenCsp.dll", "CVemoDll_C software token cryptographic provider"),
    "bin/tokenctl.exe": ("token/provision/tokenctl.exe", "CVemoDll_C software token provisioning tool"),
}


def expected_files(edition):
    files = {"bin/CVemoDll_C.dll", "bin/vemo.exe", "include/CVemoDll_C.h", "lib/libCVemoDll_C.a",
             "lib/CVemoDll_C.lib", "lib/cmake/CVemoDll_C/CVemoDll_CConfig.cmake",
             "lib/cmake/CVemoDll_C/CVemoDll_CConfigVersion.cmake", "docs/api.md", "examples/client.c",
             "examples/CMakeLists.txt", "README.md", "CHANGELOG.md"}
    if edition != "picker":
        files.add("bin/UTSecDll.dll")
    return files


def certificate_table_size(path):
    """The size of a PE file's certificate table (its Authenticode signatures); 0 when unsigned."""
    with open(path, "rb") as file:
        data = file.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)  # PE32 or PE32+
    return struct.unpack_from("<II", data, directories + 4 * 8)[1]


def version_failures(windres, path, name, description, version):
    """What differs between a binary's version block and the project's version."""
    text = subprocess.run([windres, "-i", path, "-O", "rc"], capture_output=True, text=True).stdout
    numbers = ", ".join(version.split(".") + ["0"])
    wanted = [f"FILEVERSION {numbers}\n", f"PRODUCTVERSION {numbers}\n", 'BLOCK "040904b0"',
              f'VALUE "FileDescription", "{description}"\n', f'VALUE "FileVersion", "{version}.0"\n',
              f'VALUE "ProductVersion", "{version}"\n', f'VALUE "OriginalFilename", "{name}"\n',
              'VALUE "ProductName", "CVemoDll_C"\n']
    return [f"{name}: version block lacks {line.strip()!r}" for line in wanted if line not in text]


def binary_failures(folder, binaries, arch_dir, edition, arch, options):
    failures = []
    windres = ARCHES[arch].replace("objdump", "windres")
    for packaged, (built, description) in binaries.items():
        path = os.path.join(folder, packaged)
        if not os.path.exists(path):
            continue  # the file list said so already
        name = os.path.basename(packaged)
        if description:
            failures += version_failures(windres, path, name, description, options.version)
        signed = certificate_table_size(path) != 0
        if options.signed and not signed:
            failures.append(f"{name} is not signed")
        if not options.signed:
            with open(path, "rb") as mine, open(os.path.join(arch_dir, built.format(edition=edition)), "rb") as build:
                if signed or mine.read() != build.read():
                    failures.append(f"{name} is not the build's own file")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--signed", action="store_true", help="the build signs the packages' binaries")
    options = parser.parse_args()

    packages = os.path.join(options.build, "packages")
    # Only this version's packages: a folder that also holds another version's confuses anyone
    # who unpacks "CVemoDll_C-*-token-win64.zip", the README's commands included.
    if os.path.isdir(packages):
        for stale in os.listdir(packages):
            if stale.startswith("CVemoDll_C-") and stale.endswith(".zip"):
                os.remove(os.path.join(packages, stale))
    made = subprocess.run(["cpack", "--config", os.path.join(options.build, "CPackConfig.cmake"), "-B", packages],
                          cwd=options.build, capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout + made.stderr)
        return 1

    failures = []
    wanted = {f"{edition}-{arch}": expected_files(edition) for edition in EDITIONS for arch in ARCHES}
    for arch in ARCHES:
        wanted[f"softtoken-{arch}"] = {"bin/UTSecDll.dll", "bin/SoftTokenCsp.dll", "bin/tokenctl.exe", "README.md",
                                       "CHANGELOG.md"}
    kit = {"run-checks.cmd", "README.md", "CHANGELOG.md"}
    for edition in EDITIONS:
        kit |= {f"{edition}/win32_tests.exe", f"{edition}/CVemoDll_C.dll"}
    kit |= {"token/UTSecDll.dll", "token/SoftTokenCsp.dll", "token/tokenctl.exe", "trace/UTSecDll.dll",
            "trace/SoftTokenCsp.dll"}
    pki = os.path.join(options.source, "tests/fixtures/pki")
    # The whole test PKI, its sub-folders too, but the code-signing key: the checks do not sign.
    for folder, folders, names in os.walk(pki):
        folders[:] = [name for name in folders if not (folder == pki and name == "codesign")]
        kit |= {"pki/" + os.path.relpath(os.path.join(folder, name), pki).replace(os.sep, "/") for name in names}
    wanted["verification-win32"] = kit
    for name, files in sorted(wanted.items()):
        stem = f"CVemoDll_C-{options.version}-{name}"
        path = os.path.join(packages, stem + ".zip")
        if not os.path.exists(path):
            failures.append(f"no package {stem}.zip")
            continue
        with zipfile.ZipFile(path) as package, tempfile.TemporaryDirectory() as unpacked:
            found = {entry[len(stem) + 1:] for entry in package.namelist()
                     if entry.startswith(stem + "/") and not entry.endswith("/")}
            if found != files:
                failures.append(f"{stem}.zip holds {sorted(found)}, expected {sorted(files)}")
                continue
            problems = []
            if not name.startswith("verification"):
                package.extractall(unpacked)
                folder = os.path.join(unpacked, stem)
                kind, arch = name.split("-")
                binaries = SOFTTOKEN_BINARIES if kind == "softtoken" else EDITION_BINARIES
                problems = binary_failures(folder, binaries, os.path.join(options.build, arch), kind, arch, options)
                if kind != "softtoken":
                    checked = subprocess.run(
                        [sys.executable, os.path.join(options.source, "tests/abi/check_module.py"), "--objdump",
                         ARCHES[arch], "--arch", arch, "--edition", kind, "--release", options.version,
                         os.path.join(folder, "bin/CVemoDll_C.dll")],
                        capture_output=True, text=True)
                    if checked.returncode != 0:
                        problems.append(checked.stdout.strip())
        failures += [f"{stem}.zip: {problem}" for problem in problems]
        if not problems:
            print(f"ok {stem}.zip: {len(files)} files")
    for failure in failures:
        print(f"FAIL {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
