#!/usr/bin/env python3
"""Writes a deterministic benchmark payload, in one of two profiles:

generated  a product-like tree of text files (pseudo-English words), binary files with the skewed
           byte statistics of executables, and incompressible files (already-compressed media).
           The same size and seed give the same bytes on every machine.
real       real files that every machine set up by scripts/bootstrap holds: the 64-bit mingw-w64
           compiler's folder (compiler executables of 30+ MiB, runtime DLLs and libraries, and
           hundreds of plugin and C++ headers), the Windows API headers and Python's standard
           library (many small text files): about 3,760 files and 300 MiB, a mix of very large and
           very small files as products have. The size argument is ignored.

usage: make_payload.py FOLDER MEGABYTES [generated|real]
"""

import random
import shutil
import sys
from pathlib import Path

WORDS = ("the of and to in is you that it he was for on are as with his they at be this have from or "
         "one had by word but not what all were we when your can said there use an each which she do how "
         "their if will up other about out many then them these so some her would make like him into time "
         "has look two more write go see number no way could people my than first water been call who oil "
         "its now find long down day did get come made may part install setup file folder registry value "
         "window dialog error license product version update service driver library module").split()
MB = 1 << 20


def text_file(rng: random.Random, size: int) -> bytes:
    lines, total = [], 0
    while total < size:
        line = " ".join(rng.choices(WORDS, k=rng.randint(4, 16))).capitalize() + ".\n"
        lines.append(line)
        total += len(line)
    return "".join(lines).encode()[:size]


def binary_file(rng: random.Random, size: int) -> bytes:
    # Uniform bytes mapped through a table that favours a few values, as machine code does.
    common = [0x00, 0xFF, 0x8B, 0x89, 0x48, 0xE8, 0x0F, 0x24, 0x45, 0x83, 0xC7, 0x01]
    table = bytes(common[i % len(common)] if i < 160 else i for i in range(256))
    return rng.randbytes(size).translate(table)


# Folders of the real profile, each copied whole (without compiled Python caches) below the name.
REAL_SOURCES = {"compiler": Path("/usr/lib/gcc/x86_64-w64-mingw32/12-win32"),
                "headers": Path("/usr/share/mingw-w64/include"), "python": Path("/usr/lib/python3.11")}


def real_payload(folder: Path) -> None:
    for name, source in REAL_SOURCES.items():
        if not source.is_dir():
            sys.exit(f"make_payload.py: {source} is missing; run scripts/bootstrap")
        shutil.copytree(source, folder / name, symlinks=False,
                        ignore=shutil.ignore_patterns("__pycache__", "*.pyc"), ignore_dangling_symlinks=True)


def generated_payload(folder: Path, megabytes: int) -> None:
    rng = random.Random(20240517)
    kinds = [("docs", ".txt", text_file, 0.4), ("bin", ".dll", binary_file, 0.4),
             ("media", ".dat", lambda r, n: r.randbytes(n), 0.2)]
    for name, extension, make, share in kinds:
        budget = int(megabytes * MB * share)
        index = 0
        while budget > 0:
            size = min(budget, 8 * MB, int(rng.paretovariate(1.1) * 24 * 1024))
            path = folder / name / f"{index // 50:02d}" / f"{name}{index:04d}{extension}"
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(make(rng, size))
            budget -= size
            index += 1


def main() -> None:
    folder, megabytes = Path(sys.argv[1]), int(sys.argv[2])
    profile = sys.argv[3] if len(sys.argv) > 3 else "generated"
    if profile == "real":
        real_payload(folder)
    else:
        generated_payload(folder, megabytes)


if __name__ == "__main__":
    main()
