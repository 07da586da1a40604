#!/usr/bin/env python3
"""Writes an MSVC-style import library (CVemoDll_C.lib) from the MinGW import definition.

The MinGW definition binds each client symbol to the name the module exports:
"symbol @ordinal == export", or "name @ordinal" where the two are the same. An MSVC-style import
library holds one short import object per function, whose name type tells the linker how to
turn the client's symbol into the imported name:
  - win32, symbol C_VEMO_GetUserCert@24 for the export C_VEMO_GetUserCert: "undecorate";
  - win32, symbol C_VEMO_Hash@20 for the export _C_VEMO_Hash@20: "name" (taken as it stands);
  - win32, same names (cdecl): "no prefix" (the leading underscore of C names dropped);
  - win64: "name"; a symbol that differs from its export is a weak alias of the export's import.
llvm-dlltool writes the library; the name types are then set in place. Short import objects
need no SafeSEH marking, so 32-bit clients linked with /SAFESEH accept the library.
"""
import argparse
import re
import subprocess
import sys

NAME, NO_PREFIX, UNDECORATE = 1, 2, 3


def entries(definition):
    """[(symbol, ordinal, export)] of a MinGW import definition."""
    found = []
    for line in open(definition):
        match = re.match(r"^\s*([A-Za-z_@0-9]+)\s+@(\d+)(?:\s*==\s*([A-Za-z_@0-9]+))?\s*$", line)
        if match:
            symbol, ordinal, export = match.groups()
            found.append((symbol, int(ordinal), export or symbol))
    return found


def name_type_32(symbol, export):
    if export == symbol:
        return NO_PREFIX
    if export == symbol.split("@")[0]:
        return UNDECORATE
    if export == "_" + symbol:
        return NAME
    sys.exit(f"msvc_import_library: no name type imports {export!r} for {symbol!r}")


def patch_name_types(library, wanted):
    """Sets the name type of each short import object whose symbol is in `wanted`."""
    data = bytearray(open(library, "rb").read())
    assert data[:8] == b"!<arch>\n"
    position, patched = 8, set()
    while position + 60 <= len(data):
        size = int(data[position + 48:position + 58].decode().strip())
        body = position + 60
        if data[body:body + 4] == b"\x00\x00\xff\xff":  # a short import object
            symbol = data[body + 20:data.index(b"\x00", body + 20)].decode()
            if symbol in wanted:
                kind = int.from_bytes(data[body + 18:body + 20], "little")
                kind = (kind & ~(7 << 2)) | (wanted[symbol] << 2)
                data[body + 18:body + 20] = kind.to_bytes(2, "little")
                patched.add(symbol)
        position = body + size + (size & 1)
    missing = set(wanted) - patched
    if missing:
        sys.exit(f"msvc_import_library: no import object for {sorted(missing)}")
    open(library, "wb").write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--llvm-dlltool", required=True)
    parser.add_argument("--arch", choices=("win32", "win64"), required=True)
    parser.add_argument("--def", dest="definition", required=True)
    parser.add_argument("--work-def", required=True, help="the definition handed to llvm-dlltool")
    parser.add_argument("--out", required=True)
    options = parser.parse_args()

    lines, wanted = ['LIBRARY "CVemoDll_C.dll"', "EXPORTS"], {}
    for symbol, ordinal, export in entries(options.definition):
        if options.arch == "win32":
            lines.append(f"    {symbol} @{ordinal}")  # llvm-dlltool adds the underscore
            wanted["_" + symbol] = name_type_32(symbol, export)
        else:
            lines.append(f"    {export} @{ordinal}")
            if symbol != export:
                lines.append(f"    {symbol} == {export}")
    open(options.work_def, "w").write("\n".join(lines) + "\n")
    machine = "i386" if options.arch == "win32" else "i386:x86-64"
    subprocess.run([options.llvm_dlltool, "-m", machine, "-d", options.work_def, "-l", options.out], check=True)
    if wanted:
        patch_name_types(options.out, wanted)


if __name__ == "__main__":
    main()
