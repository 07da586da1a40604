#!/usr/bin/env python3
"""ABI check of one built CVemoDll_C.dll, read with the mingw objdump.

Checks, for the edition and architecture given:
  - the module name in the export directory;
  - the exported names and ordinals, exactly, and nothing else exported;
  - win32: the argument bytes each export pops (stdcall: `ret $N`; picker, cdecl: plain `ret`);
  - imports: the token library UTSecDll.dll in the token and trace editions only, user32.dll in
    the picker edition and not in the token edition, and no runtime DLLs (libgcc, libstdc++,
    winpthread are linked in);
  - the version block: none in the token edition, the edition's own in the other two;
  - the dialog templates 1000, 1001 and 1002: none in the token edition, the same three in the
    trace and picker editions (Chinese (PRC), every field of each template and control).
"""
import argparse
import re
import subprocess
import sys

# Every export: (name, argument count, ordinal in token / trace / picker; None = absent).
EXPORTS = [
    ("C_VEMO_FreePack", 1, (1, 1, 1)),
    ("C_VEMO_GetUserCert", 6, (2, 2, 2)),
    ("C_VEMO_GetCertInfo", 4, (3, 3, 3)),
    ("C_VEMO_VerifyUserCRL", 3, (4, 4, 4)),
    ("C_VEMO_VerifyUserCert", 2, (5, 5, 5)),
    ("C_VEMO_Sign", 8, (6, 6, 6)),
    ("C_VEMO_SignEx", 9, (7, 7, 7)),
    ("C_VEMO_VerifySign", 7, (8, 8, 8)),
    ("C_VEMO_Sign_P7", 3, (9, 9, None)),
    ("C_VEMO_VerifySign_P7", 2, (10, 10, None)),
    ("C_VEMO_NewPack", 1, (11, None, None)),
    ("C_VEMO_GenerateRandom", 2, (12, 11, 9)),
    ("C_VEMO_Hash", 5, (13, 12, 10)),
    ("C_VEMO_HashEx", 5, (20, 20, 20)),
    ("C_VEMO_SignData", 7, (21, 21, 21)),
    ("C_VEMO_VerifyData", 7, (22, 22, 22)),
    ("C_VEMO_SignMessage", 8, (23, 23, 23)),
    ("C_VEMO_VerifyMessage", 8, (24, 24, 24)),
    ("C_VEMO_VerifyCertPath", 6, (25, 25, 25)),
]
# Exported under their decorated names in the stdcall editions.
DECORATED = {"C_VEMO_GenerateRandom", "C_VEMO_Hash"}

EDITIONS = ("token", "trace", "picker")

# The version block of each edition, as windres prints it back (None: no version block).
VERSION_BLOCKS = {
    "token": None,
    "trace": ("1, 0, 0, 1", "VemoDll DLL"),
    "picker": ("1, 1, 1, 0", 'L"VemoDll (\\x539f\\x59cb\\x754c\\x9762)  no .net"'),
}
RUNTIME_DLLS = ("libgcc", "libstdc++", "libwinpthread")

# The dialog templates of the trace and picker editions: (id, list box id, OK text, static
# text, static width, list box y and height). Every template: caption "Dialog", "System" 10,
# 187 x 98 dialog units, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT.
DIALOGS = [
    (1000, 1000, "确定", "请选择证书", 41, 17, 60),       # OK; please select a certificate
    (1001, 1002, "确定", "请选择加密证书", 77, 16, 62),   # OK; ... an encryption certificate
    (1002, 1001, "签名", "请选择您的证书：", 77, 17, 60),  # Sign; please select your certificate:
]
CANCEL = "取消"
# WS_CHILD | WS_VISIBLE, then: WS_TABSTOP | BS_DEFPUSHBUTTON; WS_TABSTOP; WS_GROUP | SS_LEFT;
# WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT.
STYLES = {"ok": 0x50010001, "cancel": 0x50010000, "static": 0x50020000, "list": 0x50A10103}


def windres_text(text):
    return 'L"' + "".join(f"\\x{ord(c):x}" for c in text) + '"'


def expected_dialog(dialog_id, list_id, ok, static, static_width, list_y, list_height):
    """The template as windres prints it back."""
    return "\n".join([
        f"{dialog_id} DIALOG 0, 0, 187, 98",
        "STYLE 0x80c800c0",
        'CAPTION "Dialog"',
        'FONT 10, "System"',
        "BEGIN",
        f"  DEFPUSHBUTTON {windres_text(ok)}, 1, 7, 77, 50, 14, 0x{STYLES['ok']:x}",
        f"  PUSHBUTTON {windres_text(CANCEL)}, 2, 130, 77, 50, 14, 0x{STYLES['cancel']:x}",
        f"  LTEXT {windres_text(static)}, 65535, 7, 7, {static_width}, 8, 0x{STYLES['static']:x}",
        f"  LISTBOX {list_id}, 7, {list_y}, 173, {list_height}, 0x{STYLES['list']:x}",
        "END",
    ])


def expected_exports(edition):
    """{export name: (plain name, argument count, ordinal)} for the edition."""
    column = EDITIONS.index(edition)
    table = {}
    for name, args, ordinals in EXPORTS:
        ordinal = ordinals[column]
        if ordinal is None:
            continue
        exported = f"_{name}@{4 * args}" if edition != "picker" and name in DECORATED else name
        table[exported] = (name, args, ordinal)
    return table


def run(objdump, *args):
    return subprocess.run([objdump, *args], check=True, capture_output=True, text=True).stdout


def parse_headers(text):
    image_base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", text, re.M).group(1), 16)
    module = re.search(r"^Name\s+[0-9a-fA-F]+\s+(\S+)", text, re.M)
    base = int(re.search(r"Ordinal Base\s+(\d+)", text).group(1))
    rvas = {}
    table = text.split("Export Address Table -- Ordinal Base", 1)[1].split("[Ordinal/Name Pointer] Table", 1)
    for index, rva in re.findall(r"\[\s*(\d+)\] \+base\[\s*\d+\]\s+([0-9a-fA-F]+) Export RVA", table[0]):
        if int(rva, 16) != 0:
            rvas[int(index) + base] = int(rva, 16)
    names = {}
    for index, name in re.findall(r"^\s*\[\s*(\d+)\] (\S+)\s*$", table[1].split("\n\n", 1)[0], re.M):
        names[name] = int(index) + base
    imports = [dll.lower() for dll in re.findall(r"DLL Name: (\S+)", text)]
    return image_base, module.group(1) if module else None, rvas, names, imports


def function_rets(disassembly, address):
    """The `ret` instructions of the function that starts at `address`."""
    lines = disassembly.splitlines()
    start = re.compile(rf"^0*{address:x} <[^>]+>:$")
    for i, line in enumerate(lines):
        if start.match(line):
            rets = []
            for body in lines[i + 1:]:
                if re.match(r"^[0-9a-f]+ <[^>]+>:$", body):
                    break
                found = re.search(r"\tret\s*(\S*)", body)
                if found:
                    rets.append(found.group(1))
            return rets
    return None


def version_failures(windres, dll, edition, release):
    """What differs between the module's version resource and the edition's block."""
    text = subprocess.run([windres, "-i", dll, "-O", "rc"], capture_output=True, text=True).stdout
    block = text.split("VERSIONINFO", 1)
    expected = VERSION_BLOCKS[edition]
    if expected is None:
        return ["the token edition carries a version block"] if len(block) > 1 else []
    if len(block) < 2:
        return ["no version block"]
    version, description = expected
    numbers = version.replace(" ", "").replace(",", ", ")
    wanted = [
        "LANGUAGE 4, 2\n",  # Chinese (PRC), 0x0804
        f"FILEVERSION {numbers}\n", f"PRODUCTVERSION {numbers}\n", "FILEOS 0x4\n", "FILETYPE 0x2\n",
        'BLOCK "080404b0"',
        f'VALUE "FileDescription", {description if description.startswith("L") else chr(34) + description + chr(34)}\n',
        f'VALUE "FileVersion", "{version}"\n', f'VALUE "ProductVersion", "{version}"\n',
        'VALUE "InternalName", "VemoDll"\n', 'VALUE "OriginalFilename", "VemoDll.DLL"\n',
        'VALUE "ProductName", "VemoDll Dynamic Link Library"\n', 'VALUE "Translation", 0x804, 1200\n',
        f'VALUE "Comments", "CVemoDll_C release {release}"\n',
    ]
    failures = [f"version block lacks {line.strip()!r}" for line in wanted if line not in text]
    if "FILEFLAGS " in text:
        failures.append("version block has file flags")
    return failures


def dialog_failures(windres, dll, edition):
    """What differs between the module's dialog templates and the edition's."""
    text = subprocess.run([windres, "-i", dll, "-O", "rc"], capture_output=True, text=True).stdout
    blocks, languages, language = {}, {}, None
    for match in re.finditer(r"^LANGUAGE (\d+, \d+)$|^(\d+) DIALOG .*?^END$", text, re.M | re.S):
        if match.group(1):
            language = match.group(1)
        else:
            blocks[int(match.group(2))] = match.group(0)
            languages[int(match.group(2))] = language
    if edition == "token":
        return [f"the token edition carries dialog templates {sorted(blocks)}"] if blocks else []
    expected_ids = [row[0] for row in DIALOGS]
    failures = [] if sorted(blocks) == expected_ids else [f"dialog templates {sorted(blocks)}, expected {expected_ids}"]
    for row in DIALOGS:
        block = blocks.get(row[0])
        if block is None:
            continue
        if block != expected_dialog(*row):
            failures.append(f"dialog template {row[0]} differs:\n{block}\nexpected:\n{expected_dialog(*row)}")
        if languages[row[0]] != "4, 2":
            failures.append(f"dialog template {row[0]} has language {languages[row[0]]}, expected Chinese (PRC)")
    return failures


def client_imports(text):
    """The names a program imports from CVemoDll_C.dll."""
    section = text.split("DLL Name: CVemoDll_C.dll", 1)
    if len(section) < 2:
        return []
    block = section[1].split("\n\n", 1)[0]
    return re.findall(r"^\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$", block, re.M)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--arch", choices=("win32", "win64"), required=True)
    parser.add_argument("--edition", choices=EDITIONS, required=True)
    parser.add_argument("--release", required=True, help="the release version the version block names")
    parser.add_argument("--client", action="append", default=[],
                        help="a client program linked with one of the edition's import libraries")
    parser.add_argument("dll")
    options = parser.parse_args()

    failures = []
    image_base, module, rvas, names, imports = parse_headers(run(options.objdump, "-p", options.dll))
    expected = expected_exports(options.edition)

    if module != "CVemoDll_C.dll":
        failures.append(f"module name {module!r}, expected 'CVemoDll_C.dll'")
    for exported, (_, _, ordinal) in sorted(expected.items(), key=lambda item: item[1][2]):
        if names.get(exported) != ordinal:
            failures.append(f"{exported}: ordinal {names.get(exported)}, expected {ordinal}")
    for exported, ordinal in names.items():
        if exported not in expected:
            failures.append(f"unexpected export {exported} (ordinal {ordinal})")
    wanted_ordinals = {ordinal for _, _, ordinal in expected.values()}
    if set(rvas) != wanted_ordinals:
        failures.append(f"exported ordinals {sorted(rvas)}, expected {sorted(wanted_ordinals)}")

    if options.arch == "win32":
        disassembly = run(options.objdump, "-d", "--no-show-raw-insn", options.dll)
        for exported, (name, args, ordinal) in expected.items():
            if ordinal not in rvas:
                continue
            rets = function_rets(disassembly, image_base + rvas[ordinal])
            want = "" if options.edition == "picker" else f"$0x{4 * args:x}"
            if not rets:
                failures.append(f"{exported}: no function with a ret at its export address")
            elif any(ret != want for ret in rets):
                failures.append(f"{exported}: returns with {sorted(set(rets))}, expected ret {want or '(plain)'}")

    uses_token = "utsecdll.dll" in imports
    if options.edition == "picker" and uses_token:
        failures.append("the picker edition imports UTSecDll.dll")
    if options.edition != "picker" and not uses_token:
        failures.append(f"the {options.edition} edition does not import UTSecDll.dll")
    # The user interface: the token edition shows nothing; the picker edition its dialogs and
    # message boxes (the trace edition carries the templates, and shows what its PKCS#7
    # verification checked).
    shows = "user32.dll" in imports
    if options.edition == "token" and shows:
        failures.append("the token edition imports user32.dll")
    if options.edition == "picker" and not shows:
        failures.append("the picker edition does not import user32.dll")
    for dll in imports:
        if dll.startswith(RUNTIME_DLLS):
            failures.append(f"imports the runtime DLL {dll}")

    windres = options.objdump.replace("objdump", "windres")
    failures += version_failures(windres, options.dll, options.edition, options.release)
    failures += dialog_failures(windres, options.dll, options.edition)

    for client in options.client:
        bound = client_imports(run(options.objdump, "-p", client))
        if not bound:
            failures.append(f"{client} imports nothing from CVemoDll_C.dll")
        for name in bound:
            if name not in expected:
                failures.append(f"{client} binds {name!r}, which the edition does not export")

    label = f"{options.arch} {options.edition}"
    if failures:
        for failure in failures:
            print(f"FAIL {label}: {failure}")
        return 1
    print(f"ok {label}: {len(expected)} exports {sorted(expected, key=lambda e: expected[e][2])}, "
          f"imports {sorted(imports)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
