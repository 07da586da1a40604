#!/usr/bin/env python3
"""ABI check of the token's provider, SoftTokenCsp.dll, read with the mingw objdump.

advapi32 finds a provider's entry points by their plain names, so the check is:
  - the module name in the export directory;
  - every CP* entry point exported under its plain name, and nothing else;
  - win32: each entry point pops its arguments (stdcall: `ret $N`);
  - no runtime DLLs imported (libgcc, libstdc++, winpthread are linked in).
"""
import argparse
import sys

from check_module import RUNTIME_DLLS, function_rets, parse_headers, run

# Every entry point and its argument count.
ENTRY_POINTS = {
    "CPAcquireContext": 4, "CPReleaseContext": 2, "CPGetProvParam": 5, "CPSetProvParam": 4,
    "CPGenKey": 4, "CPDeriveKey": 5, "CPDestroyKey": 2, "CPSetKeyParam": 5, "CPGetKeyParam": 6,
    "CPExportKey": 7, "CPImportKey": 6, "CPEncrypt": 8, "CPDecrypt": 7, "CPCreateHash": 5,
    "CPHashData": 5, "CPHashSessionKey": 4, "CPGetHashParam": 6, "CPSetHashParam": 5,
    "CPSignHash": 7, "CPVerifySignature": 7, "CPDestroyHash": 2, "CPGenRandom": 3, "CPGetUserKey": 3,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--arch", choices=("win32", "win64"), required=True)
    parser.add_argument("dll")
    options = parser.parse_args()

    failures = []
    image_base, module, rvas, names, imports = parse_headers(run(options.objdump, "-p", options.dll))
    if module != "SoftTokenCsp.dll":
        failures.append(f"module name {module!r}, expected 'SoftTokenCsp.dll'")
    for name in sorted(set(ENTRY_POINTS) - set(names)):
        failures.append(f"{name} is not exported")
    for name in sorted(set(names) - set(ENTRY_POINTS)):
        failures.append(f"unexpected export {name}")

    if options.arch == "win32":
        disassembly = run(options.objdump, "-d", "--no-show-raw-insn", options.dll)
        for name, args in sorted(ENTRY_POINTS.items()):
            if name not in names or names[name] not in rvas:
                continue
            rets = function_rets(disassembly, image_base + rvas[names[name]])
            want = f"$0x{4 * args:x}"
            if not rets:
                failures.append(f"{name}: no function with a ret at its export address")
            elif any(ret != want for ret in rets):
                failures.append(f"{name}: returns with {sorted(set(rets))}, expected ret {want}")

    for dll in imports:
        if dll.startswith(RUNTIME_DLLS):
            failures.append(f"imports the runtime DLL {dll}")

    if failures:
        for failure in failures:
            print(f"FAIL {options.arch} provider: {failure}")
        return 1
    print(f"ok {options.arch} provider: {len(ENTRY_POINTS)} entry points, imports {sorted(imports)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
