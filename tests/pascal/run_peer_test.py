#!/usr/bin/env python3
"""A list file against Free Pascal's own component streaming (freeze.list or
protection.list): each side reads what the other wrote, and both write the
same bytes for the same records."""
import argparse
import os
import shutil
import subprocess
import sys

parser = argparse.ArgumentParser()
parser.add_argument("--peer", required=True)
parser.add_argument("--tool", required=True)
parser.add_argument("--runner", default="")
parser.add_argument("--work", required=True)
parser.add_argument("--list", choices=["freeze", "protection"], default="freeze")
args = parser.parse_args()


def hexs(s: bytes) -> str:
    return s.hex() if s else "-"


def guard(state, auto, root, key, value, name, comment, kind, reaction, guid, ident):
    return " ".join([str(state), str(auto), hexs(root), hexs(key), hexs(value), hexs(name), hexs(comment),
                     str(kind), str(reaction), hexs(guid), str(ident)])


guards = [
    guard(0, 0, b"HKEY_LOCAL_MACHINE", b"Software\\Microsoft\\Windows\\CurrentVersion\\Run", b"", b"Autorun",
          b"", 0, 0, b"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", 127),
    guard(1, 1, b"HKEY_CURRENT_USER", b"Software\\Microsoft\\Internet Explorer\\Main", b"Start Page",
          b"Start page", b"a comment", 1, 1, b"{00000000-0000-0000-0000-000000000000}", 128),
    guard(2, 0, b"HKEY_USERS", b".DEFAULT", b"x", b"L" * 300, b"c" * 256, 1, 0, b"{G}", -129),
    guard(0, 1, b"HKEY_CLASSES_ROOT", b"exefile\\shell", b"", b"\xe4\xf6\xfc high bytes", b"", 0, 1, b"{H}", 32768),
    guard(0, 0, b"HKEY_CURRENT_CONFIG", b"k", b"", b"n", b"", 0, 0, b"{I}", -1),
    guard(0, 0, b"HKEY_CURRENT_USER", b"k", b"", b"n", b"", 0, 0, b"{J}", 0),
    guard(0, 0, b"HKEY_CURRENT_USER", b"k", b"", b"n", b"", 0, 0, b"{K}", -2147483648),
]


def protection(kind, path, list_file, name, enabled, subtree, predefined, ptype, ident):
    return " ".join([str(kind), hexs(path), hexs(list_file), hexs(name), str(enabled), str(subtree),
                     str(predefined), str(ptype), str(ident)])


protections = [
    protection(1, b"C:\\Documents and Settings\\ann\\Favorites", b"C:\\data\\protection\\favorites.protection",
               b"Internet Explorer favorites protection", 1, 1, 1, 1, 6),
    protection(0, b"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", b"C:\\data\\protection\\hosts.protection",
               b"Hosts file protection", 1, 0, 1, 3, -104),
    protection(0, b"C:\\config.sys", b"C:\\p\\config.sys.protection", b"", 0, 0, 1, 3, -108),
    protection(1, b"D:\\" + b"d" * 300, b"C:\\p\\" + b"l" * 256, b"\xe4\xf6\xfc mine", 1, 1, 0, 0, 0),
    protection(0, b"", b"", b"", 0, 1, 0, 0, 32768),
    protection(1, b"C:\\x", b"C:\\x.protection", b"x", 1, 0, 1, 2, -2147483648),
    protection(1, b"C:\\y", b"C:\\y.protection", b"y", 0, 1, 0, 2, 2147483647),
]
samples = {"freeze": guards, "protection": protections}
records = samples[args.list]
expected = "\n".join(records) + "\n"


def native(path: str) -> str:
    if args.runner == "wine":
        return "Z:" + path.replace("/", "\\")
    return path


def run(cmd, wine=False):
    full = ([args.runner] if wine and args.runner else []) + cmd
    result = subprocess.run(full, capture_output=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(full)} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    return result.stdout.decode("latin-1").replace("\r\n", "\n")


def tool(*words):
    return run([args.tool] + [native(w) if os.path.isabs(w) else w for w in words], wine=True)


shutil.rmtree(args.work, ignore_errors=True)
os.makedirs(args.work)
text = os.path.join(args.work, f"{args.list}.txt")
with open(text, "w", newline="\n") as f:
    f.write(expected)
theirs = os.path.join(args.work, f"pascal.{args.list}.list")
ours = os.path.join(args.work, f"our.{args.list}.list")

failures = []
run([args.peer, "write", text, theirs])
got = tool("dump", theirs)
if got != expected:
    failures.append(f"we read Free Pascal's file as:\n{got}\nexpected:\n{expected}")

tool("write", text, ours)
got = run([args.peer, "dump", ours])
if got != expected:
    failures.append(f"Free Pascal reads our file as:\n{got}\nexpected:\n{expected}")



def resource_name_upper(data: bytes) -> bytes:
    # Free Pascal keeps the resource name's case; ours is upper case, as the
    # files our users already have. Readers skip the name either way.
    end = data.index(b"\0", 3)
    return data[:3] + data[3:end].upper() + data[end:]


with open(theirs, "rb") as a, open(ours, "rb") as b:
    if resource_name_upper(a.read()) != b.read():
        failures.append(f"the two files differ: cmp {theirs} {ours}")

if failures:
    sys.exit("\n".join(failures))
print(f"{args.list}.list agrees with Free Pascal both ways ({len(records)} records)")
