#!/usr/bin/env python3
"""check_imports.py [--objdump OBJDUMP] EXE: fails unless EXE needs nothing a
Windows user lacks and keeps the loader's protections on.

A MinGW build that links the GCC runtime dynamically still runs here, where
Wine and the toolchain provide libstdc++-6.dll and friends, and fails on every
Windows machine. So the import table may name only the DLLs below, and the
header must ask for ASLR (with high-entropy addresses, and the relocations
that let the loader move the program) and a non-executable stack and heap.

D3DX 9 is not part of Windows either: the program loads d3dx9_43.dll itself
when it starts and, when it is missing, says where it comes from. Named in the
import table, it would have Windows' loader refuse the program instead, saying
only that the DLL was not found. So no D3DX DLL may be imported.
"""
import argparse
import re
import subprocess
import sys

ALLOWED_DLLS = {"d3d9.dll", "kernel32.dll", "user32.dll", "gdi32.dll", "winmm.dll", "msvcrt.dll"}
# The Universal CRT's forwarders, should the toolchain move from msvcrt to it.
ALLOWED_PREFIX = "api-ms-win-crt-"
REQUIRED_FLAGS = {"DYNAMIC_BASE": 0x0040, "HIGH_ENTROPY_VA": 0x0020, "NX_COMPAT": 0x0100}
RELOCS_STRIPPED = 0x0001  # in the file header's Characteristics


def read_pe(objdump, exe):
    """The DLLs EXE imports from, its Characteristics and DllCharacteristics and
    the size of its delay-load import directory (objdump does not list those DLLs)."""
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    dlls = re.findall(r"^\s*DLL Name: (\S+)", out, re.MULTILINE)
    file_flags = re.search(r"^Characteristics 0x([0-9a-fA-F]+)", out, re.MULTILINE)
    flags = re.search(r"^DllCharacteristics\s+([0-9a-fA-F]+)", out, re.MULTILINE)
    delay = re.search(r"^Entry d [0-9a-fA-F]+ ([0-9a-fA-F]+) Delay Import Directory", out, re.MULTILINE)
    if not file_flags or not flags or not delay:
        sys.exit(f"check_imports: {exe}: {objdump} -p did not show the PE header's fields")
    return dlls, int(file_flags.group(1), 16), int(flags.group(1), 16), int(delay.group(1), 16)


def problems(dlls, file_flags, flags, delay_size):
    found = [f"imports {d}, which Windows does not provide"
             + (": the program must load D3DX itself when it starts" if d.lower().startswith("d3dx") else "")
             for d in dlls if d.lower() not in ALLOWED_DLLS and not d.lower().startswith(ALLOWED_PREFIX)]
    found += [f"{name} is off" for name, bit in REQUIRED_FLAGS.items() if not flags & bit]
    if file_flags & RELOCS_STRIPPED:
        found.append("relocations are stripped: ASLR cannot move the program")
    if not dlls:
        found.append("no import table found")
    if delay_size:
        found.append("has delay-loaded imports, which this check cannot read")
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("exe")
    args = parser.parse_args()
    dlls, file_flags, flags, delay_size = read_pe(args.objdump, args.exe)
    found = problems(dlls, file_flags, flags, delay_size)
    for p in found:
        print(f"check_imports: {args.exe}: {p}", file=sys.stderr)
    if found:
        sys.exit(1)
    print(f"check_imports: {args.exe} imports {', '.join(sorted(dlls, key=str.lower))}; "
          f"DllCharacteristics 0x{flags:04x}: {', '.join(REQUIRED_FLAGS)} on")


if __name__ == "__main__":
    main()
