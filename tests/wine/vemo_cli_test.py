#!/usr/bin/env python3
"""vemo under Wine: every subcommand through at least one edition, its readable and its JSON
output (parsed here) and its exit status, on success and on failure. One row, one run of
vemo.exe (about 0.1 s each with the prefix's wineserver running); the rows run in order, each
stage putting the prefix in the state its rows need: a software token with user1024's key and
the test root in "ROOT", then no token, then no default provider.

usage: vemo_cli_test.py <prefix> <win64 build folder> <test PKI folder>
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

prefix, win64, pki_dir = sys.argv[1:4]
WINE = shutil.which("wine64", path="/usr/lib/wine:" + os.environ.get("PATH", "")) or "wine64"
VEMO = os.path.join(win64, "tools", "vemo.exe")
TOKENCTL = os.path.join(win64, "token", "provision", "tokenctl.exe")
work = tempfile.mkdtemp(prefix="vemo-cli-")
env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")


def win(path):
    """The Windows name of a host path in the prefix."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


env["VEMO_TOKEN_STORE"] = win(os.path.join(work, "token.vtk"))
P = win(pki_dir) + "\\"
W = win(work) + "\\"
failures = []


def run(program, *args):
    done = subprocess.run([WINE, program, *args], env=env, cwd=work, capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode("latin-1").replace("\r\n", "\n"), \
        done.stderr.decode("latin-1").replace("\r\n", "\n")


def setup(*args):
    status, out, err = run(TOKENCTL, *args)
    if status != 0:
        sys.exit(f"tokenctl {' '.join(args)}: {status}\n{out}{err}")


def contains(whole, part):
    """Whether the JSON value `whole` holds `part`: every key of a dict, every item of a list
    in some item of the list, a text's start ("..." at the end of `part`), or the value."""
    if isinstance(part, dict):
        return isinstance(whole, dict) and all(k in whole and contains(whole[k], v) for k, v in part.items())
    if isinstance(part, list):
        return isinstance(whole, list) and all(any(contains(w, p) for w in whole) for p in part)
    if isinstance(part, str) and part.endswith("..."):
        return isinstance(whole, str) and whole.startswith(part[:-3])
    return whole == part


def check(edition, args, status, expected, program=VEMO):
    """One run. `expected`: texts the output holds (readable output), or with --json the JSON
    objects standard output holds, one per call, each with every field of a call."""
    command = (["--edition", edition] if edition else []) + args
    got, out, err = run(program, *command)
    where = f"vemo {' '.join(command)}"
    if got != status:
        failures.append(f"{where}: exit status {got}, not {status}\n{out}{err}")
        return
    if "--json" in args and status != 2:
        try:
            objects = [json.loads(line) for line in out.splitlines()]
        except ValueError as error:
            failures.append(f"{where}: not JSON ({error})\n{out}")
            return
        for item in objects:
            if "export" in item and set(item) != {"export", "edition", "arguments", "result", "name", "meaning",
                                                  "outputs"}:
                failures.append(f"{where}: an object with the fields {sorted(item)}")
        if len(objects) != len(expected) or not all(contains(o, e) for o, e in zip(objects, expected)):
            failures.append(f"{where}: {out}does not hold {expected}")
        return
    for text in expected:
        if text not in out + err:
            failures.append(f"{where}: no \"{text}\" in\n{out}{err}")


def announced_before_blocking(edition, args, announcement):
    """A call that waits for the user says so first: the line is out while vemo still waits (in
    a window no one closes; the run is ended)."""
    with subprocess.Popen([WINE, VEMO, "--edition", edition, *args], env=env, cwd=work, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL) as child:
        line = child.stdout.readline().decode("latin-1").rstrip("\r\n")
        waiting = child.poll() is None
        child.kill()
    if line != announcement or not waiting:
        failures.append(f"vemo {' '.join(args)}: first line \"{line}\", still waiting: {waiting}")


SHA1 = hashlib.sha1
with open(os.path.join(work, "data.txt"), "w") as data:
    data.write("pay 100")
with open(os.path.join(work, "garbage.pem"), "w") as data:
    data.write("no certificate here\n")
quoted = 'say "hi" \\ to C:\\x'

# A token with user1024's key and certificate, the test root trusted.
setup("create")
setup("add-pfx", P + "user1024.pfx", "--password", "test")
setup("register-provider", win(os.path.join(win64, "token", "provider", "SoftTokenCsp.dll")))
setup("store-add", "ROOT", P + "root-a.crt.pem")
setup("store-add", "ROOT", P + "path-cases\\root.crt.pem")
PC = P + "path-cases\\"
try:
    rows = [
        ("token", ["getcert", "4", "--out", W + "user.pem"], 0,
         ["C_VEMO_GetUserCert: 0 (CVEMO_OK: success)\n  selector     4\n  certificate  -----BEGIN CERTIFICATE-----MII",
          "written to   " + W + "user.pem"]),
        ("token", ["--json", "getcert", "3", "--location", W + "none.pem"], 1,
         [{"export": "C_VEMO_GetUserCert", "edition": "token", "arguments": {"selector": "3", "location": W + "none.pem"},
           "result": -904, "name": "E_FILE_OPEN_ERROR", "meaning": "the file cannot be opened", "outputs": {}}]),
        ("trace", ["getcert", "1", "--location", "http://127.0.0.1:9/user.pem"], 1,
         ["downloading http://127.0.0.1:9/user.pem (waits up to 30 s)\nC_VEMO_GetUserCert: -501 (E_CERT_DATA_ERROR: "
          "the download failed"]),
        ("trace", ["certinfo", P + "user1024.crt.pem"], 0,
         ["C_VEMO_GetCertInfo: 0 (CVEMO_OK: success)\n  certificate  " + P + "user1024.crt.pem\n  items:\n"
          "    item  item name         result  info\n    1     version           0       V3\n",
          "    36    common name       0       Vemo User 1024\n",
          "  pack:\n    slot  field           length  text\n    0     country         3       CN\n",
          "    7     serial number   32      3A1B2C3D4E5F60718293A4B5C6D7E8F9\n"]),
        ("picker", ["--json", "certinfo", W + "garbage.pem", "36", "2"], 1,
         [{"arguments": {"item": "36", "item_name": "common name"}, "result": -1, "name": "E_FAILED",
           "meaning": "the text is not certificate text (PEM armour or Base64)"}, {"arguments": {"item": "2"}}]),
        ("picker", ["--json", "certinfo", P + "user1024.crt.pem", "37"], 0,
         [{"outputs": {"info": "user1024@vemo.test", "pack": [{"slot": 5, "length": 15, "text": "Vemo User 1024"}]}}]),
        ("token", ["pack"], 0,
         ["C_VEMO_NewPack: 0 (CVEMO_OK: success)\n  pack:\n    slot  length  buffer size  from process heap\n",
          "    8     0       200          yes\nC_VEMO_FreePack: 0 (CVEMO_OK: success)\n"]),
        ("token", ["--json", "pack"], 0, [{"export": "C_VEMO_NewPack", "outputs": {"pack": [{"slot": 8}]}},
                                          {"export": "C_VEMO_FreePack", "result": 0}]),
        ("trace", ["pack"], 2, ["vemo: the library has no export C_VEMO_NewPack (this is the trace edition)"]),
        ("token", ["verifycert", P + "user1024.crt.pem"], 0,
         ["C_VEMO_VerifyUserCert: 0 (CVEMO_OK: valid: within its validity period and issued by a root of \"ROOT\")"]),
        ("trace", ["--json", "verifycert", P + "expired.crt.pem"], 1,
         [{"result": -505, "name": "E_CERT_EXPIRED", "meaning": "the certificate has expired or is not yet valid..."}]),
        ("token", ["verifycrl", P + "revoked.crt.pem", P + "root-a.crl.pem"], 1,
         ["C_VEMO_VerifyUserCRL: -508 (E_CERT_REVOKED: revoked: a list signed by a key of \"ROOT\" holds the "
          "certificate (even when the list is out of date))\n"
          "  certificate  " + P + "revoked.crt.pem\n  list         " + P + "root-a.crl.pem\n  mode         3\n"]),
        ("trace", ["--json", "verifycrl", P + "user1024.crt.pem", P + "crl-cases\\forged.crl.der"], 1,
         [{"result": -509, "name": "E_CRL_UNTRUSTED", "meaning": "the list cannot vouch: no certificate of..."}]),
        ("picker", ["--json", "verifycrl", P + "user1024.crt.pem", P + "root-a.crl.pem"], 0,
         [{"result": 0, "name": "CVEMO_CRL_NOT_REVOKED", "meaning": "not revoked..."}]),
        ("token", ["verifypath", PC + "user-1.crt.pem", "--intermediates", PC + "ca-1.crt.pem", "--crl",
                   PC + "ca-1.crl.pem", "--crl", PC + "root.crl.pem", "--require-revocation"], 0,
         ["C_VEMO_VerifyCertPath: 0 (CVEMO_OK: a path from the certificate to a certificate of \"ROOT\" validates)\n",
          "  list           " + PC + "root.crl.pem\n  flags          1\n  path:\n    position  subject\n"
          "    0         C=CN, O=\"Vemo Test\", OU=Path Lab, CN=Vemo Path User 1\n",
          "    2         C=CN, O=\"Vemo Test\", OU=Path Lab, CN=Vemo Path Root\n"]),
        ("picker", ["--json", "verifypath", PC + "revoked-user.crt.pem", "--intermediates", PC + "ca-1.crt.pem",
                    "--crl", PC + "ca-1.crl.pem"], 1,
         [{"result": -508, "name": "E_CERT_REVOKED", "arguments": {"flags": 0},
           "outputs": {"path": [{"position": 0, "subject": "C=CN, O=\"Vemo Test\", OU=Path Lab, CN=Vemo Path Revoked User"}]}}]),
        ("trace", ["verifypath", PC + "user-1.crt.pem"], 1,
         ["C_VEMO_VerifyCertPath: -507 (E_ISSUECERT_INVALID: no path reaches a certificate of \"ROOT\""]),
        ("token", ["sign", "pay 100", "--out", W + "pay.sig"], 0,
         ["C_VEMO_Sign: 0 (CVEMO_OK: success)\n  data         pay 100\n  data length  7\n",
          "  record:\n    offset  size  field             value\n    0       7     marker            QUORVEL\n"
          "    10      50    serial_number     3A1B2C3D4E5F60718293A4B5C6D7E8F9\n"
          "    60      4     signature_length  128\n"]),
        ("trace", ["--json", "sign", "--mode", "0", "--file", W + "data.txt"], 0,
         [{"export": "C_VEMO_SignEx", "arguments": {"selection_mode": 0, "file": W + "data.txt", "data_length": 7},
           "outputs": {"record": [{"field": "marker", "value": "QUORVEL"}, {"field": "signature_length", "value": 128}]}}]),
        ("token", ["--json", "verify", P + "user1024.crt.pem", "--file", W + "data.txt", W + "pay.sig"], 0,
         [{"export": "C_VEMO_VerifySign", "result": 0, "arguments": {"hash_selector": 0, "record_file": W + "pay.sig"}}]),
        ("picker", ["verify", P + "user1024.pub.der", "pay 900", W + "pay.sig", "--md5"], 1,
         ["C_VEMO_VerifySign: -306 (E_VERIFY_ERROR: the signature does not verify", "  hash selector    11\n",
          "  record:\n    offset  size  field             value\n    0       7     marker            QUORVEL\n"]),
        ("trace", ["--json", "verify", P + "user1024.crt.pem", "pay 100", W + "data.txt"], 2,
         ["vemo: " + W + "data.txt is not a signature record (7 bytes, not 364)"]),
        ("token", ["sign-p7", "pay 100", "--out", W + "pay.p7"], 0,
         ["C_VEMO_Sign_P7: 0 (CVEMO_OK: success)\n  data            pay 100\n  text length     7\n  message         3082",
          "  written to      " + W + "pay.p7\n"]),
        ("token", ["--json", "verify-p7", W + "pay.p7"], 0, [{"export": "C_VEMO_VerifySign_P7", "result": 0}]),
        ("token", ["verify-p7", W + "pay.sig"], 1,
         ["C_VEMO_VerifySign_P7: -1 (E_FAILED: the message does not verify"]),
        ("picker", ["sign-p7", "pay 100"], 2, ["vemo: the library has no export C_VEMO_Sign_P7 (this is the picker edition)"]),
        ("picker", ["--json", "verify-msg", W + "pay.p7"], 0,
         [{"export": "C_VEMO_VerifyMessage", "result": 0,
           "outputs": {"content": b"pay 100\0".hex(), "content_length": 8,
                       "signer_certificate": "-----BEGIN CERTIFICATE-----MII..."}}]),
        ("token", ["verify-msg", W + "pay.p7", "--detached", W + "data.txt"], 1,
         ["C_VEMO_VerifyMessage: -1011 (SPC_INPUTARG_ERROR_01: no message, a buffer without its length, or a detached",
          "  detached file    " + W + "data.txt\n"]),
        ("token", ["random", "16", "--out", W + "random.bin"], 0,
         ["C_VEMO_GenerateRandom: 0 (CVEMO_OK: success)\n  length      16\n  bytes       "]),
        ("picker", ["--json", "hash", quoted], 0,
         [{"arguments": {"data": quoted}, "outputs": {"digest": SHA1(quoted.encode()).hexdigest(), "digest_length": 20}}]),
        ("trace", ["hash", "--file", W + "data.txt", "--out", W + "digest.bin"], 0,
         ["C_VEMO_Hash: 0 (CVEMO_OK: success)\n  file           " + W + "data.txt\n",
          "  digest         " + SHA1(b"pay 100").hexdigest()]),
        ("token", ["sign-data", "pay 100", "--out", W + "pay.sha256"], 0,
         ["C_VEMO_SignData: 0 (CVEMO_OK: success)\n  algorithm         sha256\n", "written to        " + W + "pay.sha256\n"]),
        ("trace", ["--json", "verify-data", P + "user1024.crt.pem", "--file", W + "data.txt", W + "pay.sha256"], 0,
         [{"export": "C_VEMO_VerifyData", "result": 0, "arguments": {"algorithm": "sha256", "signature_length": 128}}]),
        ("picker", ["verify-data", P + "user1024.pub.der", "pay 900", W + "pay.sha256"], 1,
         ["C_VEMO_VerifyData: -306 (E_VERIFY_ERROR: the signature does not verify)"]),
        ("token", ["--json", "sign-msg", "--file", W + "data.txt", "--detached", "--pem", "--out", W + "pay.cms"], 0,
         [{"export": "C_VEMO_SignMessage", "arguments": {"algorithm": "sha256", "flags": 5},
           "outputs": {"message": "-----BEGIN PKCS7-----\nMII..."}}]),
        ("picker", ["--json", "verify-msg", W + "pay.cms", "--detached", W + "data.txt"], 0,
         [{"export": "C_VEMO_VerifyMessage", "result": 0, "outputs": {"content_length": 0}}]),
        ("token", ["--json", "hash", "--alg", "sha512", quoted], 0,
         [{"export": "C_VEMO_HashEx", "arguments": {"algorithm": "sha512"},
           "outputs": {"digest": hashlib.sha512(quoted.encode()).hexdigest(), "digest_length": 64}}]),
        ("picker", ["--json", "hash", "--alg", "0x8003", "x"], 1, [{"result": -1012, "name": "E_ALGORITHM"}]),
        ("token", ["hash", "--alg", "md5", "x"], 2, ["vemo: --alg is sha1, sha256, sha384, sha512 or a number"]),
        # Bad usage, and what vemo says without an export call.
        ("token", ["verify", P + "user1024.crt.pem"], 2, ["usage: vemo [--dll <path> | --edition token|trace|picker]"
                                                          " [--json] verify <key data file>"]),
        ("token", ["random", "16", "--bogus"], 2, ["vemo: no such option \"--bogus\""]),
        ("", ["codes"], 0, ["-1011  SPC_INPUTARG_ERROR_01      an argument is missing"]),
        ("", ["--json", "codes", "1"], 0,
         [{"meanings": [{"where": "C_VEMO_VerifySign", "name": "", "meaning": "the provider refused the key"}]}]),
        ("", ["--json", "codes", "-508"], 0,
         [{"meanings": [{"where": "C_VEMO_VerifyUserCRL", "name": "E_CERT_REVOKED"},
                        {"where": "in general", "name": "E_CERT_REVOKED"}]}]),
        ("", ["codes", "0x80090016"], 0, ["-2146893802  Windows        Windows error 0x80090016"]),
        ("", ["codes", "one"], 2, ["usage: vemo [--json] codes [<value>]"]),
        ("", ["help", "nothing"], 2, ["vemo: unknown command \"nothing\""]),
    ]
    rows += [("", ["help", name], 0, ["usage: vemo [", " " + name + " "])
             for name in ("getcert", "certinfo", "pack", "verifycert", "verifycrl", "verifypath", "sign", "verify", "sign-data",
                          "verify-data", "sign-p7", "verify-p7", "random", "hash", "sign-msg", "verify-msg", "codes")]
    for row in rows:
        check(*row)
    # Away from the build's editions, --edition says where it looked.
    alone = os.path.join(work, "alone")
    os.makedirs(alone)
    shutil.copy(VEMO, alone)
    check("trace", ["hash", "abc"], 2, ["vemo: no CVemoDll_C.dll of the trace edition; looked in\n  " + W +
                                        "alone\\trace\\CVemoDll_C.dll\n  " + W + "editions\\trace\\CVemoDll_C.dll\n"],
          os.path.join(alone, "vemo.exe"))
    announced_before_blocking("picker", ["getcert", "x"], "The certificate selection dialog (\"Dialog\") is waiting "
                              "for you on the desktop: pick a certificate and press its left button, or Cancel.")
    announced_before_blocking("trace", ["verify-p7", W + "pay.p7"], "The trace edition shows the signed text in a "
                              "message box once the signature verifies; the call returns when you close it.")
    for name, size in (("user.pem", None), ("pay.sig", 364), ("pay.sha256", 128), ("random.bin", 16), ("digest.bin", 20)):
        path = os.path.join(work, name)
        if not os.path.exists(path) or (size is not None and os.path.getsize(path) != size):
            failures.append(f"--out {name}: not written with {size} bytes")
finally:
    setup("store-remove", "ROOT", P + "root-a.crt.pem")
    setup("store-remove", "ROOT", P + "path-cases\\root.crt.pem")
    setup("remove")

# No token: the token's steps fail.
check("token", ["sign", "pay 100"], 1,
      ["C_VEMO_Sign: -5 (E_CTN_NO_EXIST: the token provider cannot be opened or has no usable container)"])
check("trace", ["--json", "sign-p7", "pay 100"], 1, [{"result": -5, "name": "E_CTN_NO_EXIST"}])
check("token", ["getcert", "4"], 1, ["C_VEMO_GetUserCert: -9998 (E_TOKEN_ENUM_BASE + 1: the token's container 1"])

# No default provider either: random bytes and digests fail, each in its edition's words.
provider_key = r"HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider Types\Type 001"
_, listing, _ = run("reg", "query", provider_key, "/v", "Name")
original = listing.split("REG_SZ", 1)[1].strip()
run("reg", "add", provider_key, "/v", "Name", "/d", "No Such Provider", "/f")
try:
    check("picker", ["random", "4"], 1, ["C_VEMO_GenerateRandom: -1 (E_FAILED: no provider context for random bytes)"])
    check("token", ["random", "4"], 1, ["C_VEMO_GenerateRandom: "])
    check("token", ["--json", "hash", "abc"], 1, [{"name": None, "meaning": "Windows error 0x8009..."}])
finally:
    run("reg", "add", provider_key, "/v", "Name", "/d", original, "/f")

shutil.rmtree(work, ignore_errors=True)
for failure in failures:
    print(f"FAIL {failure}")
print(f"{'FAILED' if failures else 'ok'}: vemo, {len(failures)} failures")
sys.exit(1 if failures else 0)
