"""Seed corpora for the fuzz targets, cut from a real package: the setup executable that the builder
makes of examples/hello. Usage: fuzz_seeds.py SETUP_EXE CORPUS_ROOT EXAMPLES_FOLDER. Each seed is
the input its target expects (see tests/fuzz); a target whose corpus already holds files keeps it."""

from __future__ import annotations

import struct
import sys
from pathlib import Path

import pefile

# Offsets of header fields from the start of the section.
SCRIPT_LENGTH, ENTRY_COUNT, ARCHIVE_LENGTH, FIRST_SIZE = 15, 31, 35, 43


def seeds(setup: Path, examples: Path) -> dict[str, dict[str, bytes]]:
    data = setup.read_bytes()
    image = pefile.PE(data=data, fast_load=True)
    section = next(s for s in image.sections if s.Name.rstrip(b"\0") == b".setup")
    package = data[section.PointerToRawData:section.PointerToRawData + section.Misc_VirtualSize]
    count, archive_length = (struct.unpack_from("<i", package, f)[0] for f in (ENTRY_COUNT, ARCHIVE_LENGTH))
    script_length = struct.unpack_from("<I", package, SCRIPT_LENGTH)[0]
    sizes = struct.unpack_from(f"<{count}i", package, FIRST_SIZE)
    script_start = FIRST_SIZE + 4 * count
    script = package[script_start:script_start + script_length]
    archive = package[script_start + script_length:script_start + script_length + archive_length]
    first_block = archive[8:8 + struct.unpack_from("<I", archive, 0)[0]] if archive else b""
    # archive_fuzz: mode 2 (xz blocks), a block size, up to 7 entry sizes as 16-bit values.
    small = [s for s in sizes if s < 0x8000][:7]
    archive_input = bytes([2, 0, len(small)]) + b"".join(struct.pack("<H", s) for s in small) + archive
    lines = ["setup.exe /a", 'setup.exe /silent /d:"C:\\Program Files\\Hello"', 'x /u:"Hello" /silent',
             'x /b1:"echo one~~echo `two`" /r:"notepad.exe" /n:"Name" /min']
    return {
        "pe_image_fuzz": {"setup-head": data[:0x10000]},
        "package_header_fuzz": {"setup-section": package},
        "xz_blowfish_fuzz": {"script": script, "first-block": first_block},
        "archive_fuzz": {"archive": archive_input},
        "install_script_fuzz": {"script-packed": script},
        "command_line_fuzz": {f"line{i}": line.encode("utf-16-le") for i, line in enumerate(lines)},
        "project_file_fuzz": {p.stem: p.read_bytes() for p in sorted(examples.rglob("*.toml"))},
        "uninstall_data_fuzz": {"list": b"C:\\Hello\\readme.txt\r\n~C:\\Hello\r\n!\\HKLM\\Software\\Hello\\Path\r\n"
                                        b"\r\n\r\n[Strings]\r\n34=Done\r\n[AutoClose]\r\nhello.exe\r\n"},
    }


def main() -> None:
    setup, root, examples = (Path(a) for a in sys.argv[1:4])
    for target, files in seeds(setup, examples).items():
        corpus = root / target
        corpus.mkdir(parents=True, exist_ok=True)
        if any(corpus.iterdir()):
            continue
        for name, content in files.items():
            (corpus / name).write_bytes(content)


if __name__ == "__main__":
    main()
