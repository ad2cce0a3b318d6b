"""Archives at the edges of what the format allows, run by the real installer under Wine: an entry
of 704 MiB, which must be written as it is decoded (the installer's private memory stays far below
the file's size), and packages of well under 2 MB that expand to gigabytes, in an archive block or
in the install script, which must end with the package error and its message instead of exhausting
memory. The packages are the builder's, with their archive or script rewritten; large runs of
zeros are xz streams of 16 MiB repeated (the decoder accepts concatenated streams)."""

from __future__ import annotations

import functools
import lzma
import re
import struct
import threading
from pathlib import Path

import pefile
import pytest

from test_package import (ARCHIVE_CHECKSUM, CORRUPT, ENTRY_COUNT, FIRST_SIZE, PACKAGE_LENGTH, SCRIPT_KEY,
                          SCRIPT_LENGTH, SETUP_WINDOWS_PATH, Archive, package_checksum, packages, run_setup,
                          setup_section)

__all__ = ["packages"]  # the fixture, shared with the package scenarios

MIB = 1 << 20
ZEROS_PIECE = 16 * MIB
LARGE_PIECES = 44  # 704 MiB, more than a 32-bit process could hold as one buffer beside the rest
BOMB_PIECES = 192  # 3 GiB
STUB_CHECKSUM = 23  # header field 6: checksum of the file before the section from PE header + 92
INSTALL_FOLDER = r"C:\Large"


@functools.cache
def zeros_stream() -> bytes:
    """One xz stream of ZEROS_PIECE zero bytes."""
    return lzma.compress(bytes(ZEROS_PIECE), preset=0)


def aligned(value: int, alignment: int) -> int:
    return -(-value // alignment) * alignment


def scrambled(script: bytes, key: int) -> bytes:
    """The stored script's XOR with the script key: little-endian words, then the key's low bytes
    on the tail. Its own inverse."""
    whole = len(script) // 4 * 4
    words = struct.unpack_from(f"<{whole // 4}I", script)
    head = struct.pack(f"<{len(words)}I", *(w ^ key for w in words))
    tail = bytes(b ^ ((key >> (8 * i)) & 0xFF) for i, b in enumerate(script[whole:]))
    return head + tail


def rewritten(source: Path, target: Path, *, script=None, sizes=None, archive=None) -> Path:
    """The package of `source` with its stored script, entry sizes or archive replaced (each a
    function of the old one), the section and image sizes, the header's lengths, archive checksum
    and stub checksum, and the PE checksum made to match."""
    data = bytearray(source.read_bytes())
    section = setup_section(source)
    base = section.PointerToRawData
    assert base + section.SizeOfRawData == len(data), "the section must end the file"
    count, archive_length = struct.unpack_from("<ii", data, base + ENTRY_COUNT)
    script_length = struct.unpack_from("<I", data, base + SCRIPT_LENGTH)[0]
    old_sizes = list(struct.unpack_from(f"<{count}i", data, base + FIRST_SIZE))
    script_at = base + FIRST_SIZE + 4 * count
    old_script = bytes(data[script_at:script_at + script_length])
    old_archive = bytes(data[script_at + script_length:script_at + script_length + archive_length])
    new_script = script(old_script) if script else old_script
    new_sizes = sizes(old_sizes) if sizes else old_sizes
    new_archive = archive(old_archive) if archive else old_archive

    header = bytearray(data[base:base + FIRST_SIZE])
    package_length = FIRST_SIZE + 4 * len(new_sizes) + len(new_script) + len(new_archive)
    struct.pack_into("<I", header, SCRIPT_LENGTH, len(new_script))
    struct.pack_into("<iii", header, PACKAGE_LENGTH, package_length, len(new_sizes), len(new_archive))
    struct.pack_into("<I", header, ARCHIVE_CHECKSUM, package_checksum(new_archive))
    package = bytes(header) + struct.pack(f"<{len(new_sizes)}i", *new_sizes) + new_script + new_archive

    image = pefile.PE(data=bytes(data[:base]), fast_load=True)
    raw_size = aligned(len(package), image.OPTIONAL_HEADER.FileAlignment)
    table_entry = section.get_file_offset()
    struct.pack_into("<I", data, table_entry + 8, len(package))  # virtual size
    struct.pack_into("<I", data, table_entry + 16, raw_size)
    struct.pack_into("<I", data, image.OPTIONAL_HEADER.get_field_absolute_offset("SizeOfImage"),
                     aligned(section.VirtualAddress + len(package), image.OPTIONAL_HEADER.SectionAlignment))
    pe_offset = struct.unpack_from("<H", data, 0x3C)[0]
    struct.pack_into("<I", header, STUB_CHECKSUM, package_checksum(bytes(data[pe_offset + 92:base])))
    data[base:] = bytes(header) + package[FIRST_SIZE:] + bytes(raw_size - len(package))

    output = pefile.PE(data=bytes(data), fast_load=True)
    output.OPTIONAL_HEADER.CheckSum = output.generate_checksum()
    target.write_bytes(output.write())
    return target


def framed(record: bytes) -> bytes:
    return struct.pack("<I", len(record)) + record


def large_archive(records: list[bytearray], sizes: list[int]) -> bytes:
    """The first record as built, then the second with LARGE_PIECES x 16 MiB of zeros as data."""
    fields = bytes(records[1][:len(records[1]) - sizes[1] - 4])
    size = LARGE_PIECES * ZEROS_PIECE
    checksum = (0x79E2BC9D + size) & 0xFFFFFFFF  # zeros add nothing but their count
    head = lzma.compress(framed(bytes(records[0])) + struct.pack("<I", len(fields) + size + 4) + fields)
    block = head + zeros_stream() * LARGE_PIECES + lzma.compress(struct.pack("<I", checksum))
    return Archive.stored([block])


class PrivateMemoryPeak:
    """Samples the resident private memory (RssAnon) of the prefix's processes named setup.exe
    until stopped; the peak in bytes."""

    def __init__(self, prefix: Path):
        self._prefix = str(prefix).encode()
        self._stop = threading.Event()
        self.peak = 0
        self._thread = threading.Thread(target=self._sample)
        self._thread.start()

    def _private_bytes(self, process: Path) -> int:
        try:
            if b"setup.exe" not in (process / "cmdline").read_bytes():
                return 0
            if b"WINEPREFIX=" + self._prefix + b"\0" not in (process / "environ").read_bytes() + b"\0":
                return 0
            for line in (process / "status").read_text().splitlines():
                if line.startswith("RssAnon:"):
                    return int(line.split()[1]) * 1024
        except OSError:
            pass
        return 0

    def _sample(self) -> None:
        while not self._stop.wait(0.05):
            for process in Path("/proc").iterdir():
                if process.name.isdigit():
                    self.peak = max(self.peak, self._private_bytes(process))

    def stop(self) -> int:
        self._stop.set()
        self._thread.join()
        return self.peak


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def only_zeros(path: Path) -> bool:
    zeros = bytes(ZEROS_PIECE)
    with path.open("rb") as file:
        while piece := file.read(ZEROS_PIECE):
            if piece != zeros[:len(piece)]:
                return False
    return True


def test_entry_larger_than_memory_allows_is_written_as_it_is_decoded(packages, wine):
    base = packages.build("archive-base")
    data = base.read_bytes()
    section = setup_section(base)
    records = Archive.read(data, section).records()
    sizes = list(struct.unpack_from("<2i", data, section.PointerToRawData + FIRST_SIZE))
    setup = rewritten(base, packages.folder / "large-entry.exe",
                      sizes=lambda old: [old[0], LARGE_PIECES * ZEROS_PIECE],
                      archive=lambda old: large_archive(records, sizes))
    program = wine.put_file(setup, SETUP_WINDOWS_PATH)
    memory = PrivateMemoryPeak(wine.prefix)
    try:
        wine.run(program, "/silent", f"/d:{INSTALL_FOLDER}", timeout=600)
    finally:
        peak = memory.stop()
    large = drive_c(wine, INSTALL_FOLDER) / "data.bin"
    assert large.stat().st_size == LARGE_PIECES * ZEROS_PIECE
    assert only_zeros(large)
    assert (drive_c(wine, INSTALL_FOLDER) / "readme.txt").read_bytes() == (packages.folder / "readme.txt").read_bytes()
    assert 0 < peak < LARGE_PIECES * ZEROS_PIECE // 8, f"peak private memory {peak / MIB:.0f} MiB"


def script_bomb(stored: bytes, key: int) -> bytes:
    return scrambled(scrambled(stored, key) + zeros_stream() * BOMB_PIECES, key)


def block_bomb(records: list[bytearray]) -> bytes:
    return Archive.stored([Archive.block_of(records) + zeros_stream() * BOMB_PIECES])


BOMBS = {
    "block": (lambda base, key, records: {"archive": lambda old: block_bomb(records)}, 60),
    "script": (lambda base, key, records: {"script": lambda old: script_bomb(old, key)}, 47),
}


@pytest.mark.parametrize("bomb", BOMBS)
def test_package_that_expands_beyond_what_it_declares_ends_with_its_message(packages, wine, bomb):
    base = packages.build("archive-base")
    data = base.read_bytes()
    section = setup_section(base)
    key = struct.unpack_from("<I", data, section.PointerToRawData + SCRIPT_KEY)[0]
    replace, code = BOMBS[bomb]
    setup = rewritten(base, packages.folder / f"{bomb}-bomb.exe",
                      **replace(base, key, Archive.read(data, section).records()))
    assert setup.stat().st_size < 2 * MIB
    exit_code, texts = run_setup(wine, setup, "/a")
    assert exit_code == 1
    assert any(t.startswith(CORRUPT) and re.search(rf"Error code: {code}\b", t) for t in texts), texts
