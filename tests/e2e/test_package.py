"""The install package container under Wine: packages written by valdorine-build, checked with
pefile as an independent reader, then run by the real installer. Every damage to a package ends
the run with its message (read through the dialog driver) and exit code 1."""

from __future__ import annotations

import lzma
import re
import shutil
import struct
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import Callable

import pefile
import pytest

CORRUPT = "This installation program is corrupt."
NO_PACKAGE = "There is no installation data present."
SETUP_WINDOWS_PATH = r"C:\downloads\setup.exe"

# Offsets of header fields from the start of the section.
MAGIC, VERSION, SCRIPT_LENGTH, SCRIPT_KEY, PACKAGE_LENGTH, ENTRY_COUNT, ARCHIVE_LENGTH, ARCHIVE_CHECKSUM, FIRST_SIZE = (
    0, 4, 15, 19, 27, 31, 35, 39, 43)
ENTRY_COUNT_BUILT = 2


@dataclass(frozen=True)
class Packages:
    folder: Path
    builder: Path

    def build(self, name: str, *options: str) -> Path:
        output = self.folder / f"{name}.exe"
        if not output.exists():
            subprocess.run([str(self.builder), "build", "--stub", str(self.stub), "--out", str(output),
                            "--block-size", "4096", *options, str(self.folder / "readme.txt"),
                            str(self.folder / "data.bin")], check=True)
        return output

    @property
    def stub(self) -> Path:
        return self.folder / "stub.exe"

    def signed(self, source: Path, name: str) -> Path:
        output = self.folder / f"{name}.exe"
        subprocess.run(["osslsigncode", "sign", "-certs", str(self.folder / "cert.pem"),
                        "-key", str(self.folder / "key.pem"), "-in", str(source), "-out", str(output)],
                       check=True, stdout=subprocess.DEVNULL)
        return output


@pytest.fixture(scope="module")
def packages(build, tmp_path_factory) -> Packages:
    if not build.builder.is_file():
        pytest.fail(f"{build.builder} is missing: build first (make build)")
    folder = tmp_path_factory.mktemp("packages")
    shutil.copyfile(build.installer, folder / "stub.exe")
    (folder / "readme.txt").write_text("Read me.\n" * 500)
    (folder / "data.bin").write_bytes(bytes((i * 7919) % 251 for i in range(20000)))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Valdorine Test Signer", "-keyout", str(folder / "key.pem"),
                    "-out", str(folder / "cert.pem")], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return Packages(folder, build.builder)


def setup_section(path: Path) -> pefile.SectionStructure:
    image = pefile.PE(str(path), fast_load=True)
    return next(s for s in image.sections if s.Name.rstrip(b"\0") == b".setup")


def damaged(source: Path, target: Path, change: Callable[[bytearray, pefile.SectionStructure], None]) -> Path:
    data = bytearray(source.read_bytes())
    change(data, setup_section(source))
    target.write_bytes(data)
    return target


def put_u32(offset: int, value: int) -> Callable[[bytearray, pefile.SectionStructure], None]:
    def change(data: bytearray, section: pefile.SectionStructure) -> None:
        data[section.PointerToRawData + offset:section.PointerToRawData + offset + 4] = struct.pack("<I", value)
    return change


def flip(offset: int) -> Callable[[bytearray, pefile.SectionStructure], None]:
    def change(data: bytearray, section: pefile.SectionStructure) -> None:
        data[section.PointerToRawData + offset] ^= 0x01
    return change


def header_padding(data: bytearray, section: pefile.SectionStructure) -> None:
    """A byte of the header padding after the section table: the loader ignores it, the stub
    checksum covers it."""
    data[section.get_file_offset() + 40 + 8] ^= 0x01


def run_setup(wine, setup: Path, *args: str) -> tuple[int, list[str]]:
    """Runs the setup; returns its exit code and the texts of the window it showed, if any."""
    program = wine.put_file(setup, SETUP_WINDOWS_PATH)
    process = wine.start(program, *args)
    window = wine.read_window("setup.exe", timeout=8, press_text="OK")
    code = wine.wait(process)
    return code, window.texts if window else []


# --- The builder's output, read by pefile ---------------------------------------------------------

def expect_valid_image(path: Path) -> pefile.PE:
    image = pefile.PE(str(path))
    header = image.OPTIONAL_HEADER
    assert not [w for w in image.get_warnings() if "uspicious" in w or "invalid" in w.lower()], image.get_warnings()
    end_of_image = 0
    for section in image.sections:
        assert section.PointerToRawData % header.FileAlignment == 0
        assert section.SizeOfRawData % header.FileAlignment == 0
        assert section.VirtualAddress % header.SectionAlignment == 0
        assert section.PointerToRawData + section.SizeOfRawData <= len(image.__data__)
        end_of_image = max(end_of_image, section.VirtualAddress + max(section.Misc_VirtualSize, section.SizeOfRawData))
    aligned = -(-end_of_image // header.SectionAlignment) * header.SectionAlignment
    assert header.SizeOfImage == aligned
    assert image.FILE_HEADER.NumberOfSections == len(image.sections)
    assert (image.sections[-1].get_file_offset() + 40) <= header.SizeOfHeaders
    assert header.CheckSum in (0, image.generate_checksum())
    return image


@pytest.mark.parametrize("options", [(), ("--archive-in-file",), ("--encrypt", "0123456789abcdef")],
                         ids=["archive-in-section", "archive-in-file", "encrypted"])
def test_output_is_a_valid_image_with_the_package_where_the_header_says(packages, options):
    setup = packages.build("layout-" + "-".join(o.strip("-") for o in options), *options)
    image = expect_valid_image(setup)
    stub = pefile.PE(str(packages.stub), fast_load=True)
    assert [s.Name for s in image.sections[:-1]] == [s.Name for s in stub.sections]
    section = setup_section(setup)
    data = setup.read_bytes()
    start = section.PointerToRawData
    assert start % 0x1000 == 0  # on a page boundary, so that loaders map it from the file
    assert struct.unpack_from("<I", data, start)[0] == 0xA4F23DE5
    assert data[start + VERSION:start + VERSION + 7] == b"42.1.2\0"
    script_length, = struct.unpack_from("<I", data, start + SCRIPT_LENGTH)
    package_length, entry_count, archive_length = struct.unpack_from("<iii", data, start + PACKAGE_LENGTH)
    key_length = 8 if "--encrypt" in options else 0
    archive_offset = FIRST_SIZE + 4 * entry_count + key_length + script_length
    assert entry_count == ENTRY_COUNT_BUILT
    assert package_length == archive_offset + archive_length
    if "--archive-in-file" in options:
        assert len(data) == start + archive_offset + archive_length  # the archive ends the file
    else:
        assert archive_offset + archive_length <= section.SizeOfRawData
    assert subprocess.run([str(packages.builder), "inspect", str(setup), "--entries"],
                          stdout=subprocess.DEVNULL).returncode == 0


def test_uninstaller_image_is_the_stub_again_and_runs(packages, wine):
    setup = packages.build("uninstaller", "--package-flags", "0x20", "--archive-in-file")
    image_path = packages.folder / "uninstaller.exe"
    subprocess.run([str(packages.builder), "inspect", str(setup), "--uninstaller-image", str(image_path)],
                   check=True, stdout=subprocess.DEVNULL)
    image = expect_valid_image(image_path)
    stub = packages.stub.read_bytes()
    checksum_field = image.OPTIONAL_HEADER.get_file_offset() + 64
    image_bytes = image_path.read_bytes()
    assert image_bytes[:checksum_field] + image_bytes[checksum_field + 4:] == \
        stub[:checksum_field] + stub[checksum_field + 4:]
    code, texts = run_setup(wine, image_path)
    assert code == 1
    assert any(NO_PACKAGE in t for t in texts), texts


# --- Well-formed packages run; each damage raises its error ---------------------------------------

@pytest.mark.parametrize("options", [
    ("--integrity", "1", "--package-flags", "0x20"),
    ("--integrity", "1", "--archive-in-file", "--encrypt", "0011223344556677"),
], ids=["in-section-stub-checksum", "in-file-encrypted"])
def test_well_formed_package_opens_without_a_message(packages, wine, options):
    setup = packages.build("good-" + "-".join(o.strip("-") for o in options), *options)
    code, texts = run_setup(wine, setup, "/a")
    # Automatic mode skips the wizard, so the run reads the whole archive; no message on the way.
    assert (code, texts) == (1, [])


def _rows():
    """(id, package options, damage, expected text)"""
    plain = ("--integrity", "1", "--package-flags", "0x20")
    encrypted = ("--encrypt", "0011223344556677")
    return [
        ("magic", plain, flip(MAGIC), "Error code: 20"),
        ("version", plain, lambda d, s: d.__setitem__(s.PointerToRawData + VERSION + 5, ord("3")),
         "does not match the version of Valdorine Setup (42.1.3)"),
        ("script-length-zero", plain, put_u32(SCRIPT_LENGTH, 0), "Error code: 22"),
        ("script-length-too-large", plain, put_u32(SCRIPT_LENGTH, 0x3200000), "Error code: 22"),
        ("package-length", plain, put_u32(PACKAGE_LENGTH, 0xFFFFFFFF), "Error code: 45"),
        ("entry-count", plain, put_u32(ENTRY_COUNT, 0x80000000), "Error code: 27"),
        ("archive-length", plain, put_u32(ARCHIVE_LENGTH, 0xFFFFFFFF), "Error code: 29"),
        ("entry-size", plain, put_u32(FIRST_SIZE, 0x40000001), "Error code: 28"),
        ("script-bytes", plain, flip(FIRST_SIZE + 4 * ENTRY_COUNT_BUILT + 30), "Error code: 47"),
        ("script-checksum", encrypted, put_u32(SCRIPT_KEY, 0x12345678), "Error code: 25"),
        ("stub-checksum", plain, header_padding, "Error code: 40"),
        ("archive-in-file-short", ("--archive-in-file",), lambda d, s: d.__delitem__(slice(len(d) - 1, None)),
         "Error code: 46"),
    ]


# --- The archive: blocks and records, rewritten with every checksum but the one a row breaks -------

def package_checksum(data: bytes) -> int:
    """The container's checksum: a seed, the little-endian u32 groups, the tail bytes as signed
    values and the length, modulo 2^32."""
    if not data:
        return 0x79E2BC9D
    whole = len(data) // 4 * 4
    total = 0x79E2BC9D + sum(struct.unpack_from(f"<{whole // 4}I", data)) + len(data)
    total += sum(b - 256 if b >= 0x80 else b for b in data[whole:])
    return total & 0xFFFFFFFF


@dataclass
class Archive:
    """The archive of a package whose archive lies in its section, unencrypted."""
    offset: int  # from the start of the section
    blocks: list[bytes]

    @classmethod
    def read(cls, data: bytes, section: pefile.SectionStructure) -> Archive:
        base = section.PointerToRawData
        count, length = (struct.unpack_from("<i", data, base + f)[0] for f in (ENTRY_COUNT, ARCHIVE_LENGTH))
        script_length = struct.unpack_from("<I", data, base + SCRIPT_LENGTH)[0]
        offset = FIRST_SIZE + 4 * count + script_length
        blocks, position, end = [], base + offset, base + offset + length
        while position < end:
            size = struct.unpack_from("<I", data, position)[0]
            blocks.append(bytes(data[position + 8:position + 8 + size]))
            position += 8 + size
        return cls(offset, blocks)

    def records(self) -> list[bytearray]:
        queue = b"".join(lzma.decompress(block) for block in self.blocks)
        records, position = [], 0
        while position < len(queue):
            size = struct.unpack_from("<I", queue, position)[0]
            records.append(bytearray(queue[position + 4:position + 4 + size]))
            position += 4 + size
        return records

    @staticmethod
    def block_of(records: list[bytes], tail: bytes = b"") -> bytes:
        return lzma.compress(b"".join(struct.pack("<I", len(r)) + r for r in records) + tail)

    @staticmethod
    def stored(blocks: list[bytes], checksums: list[int] | None = None) -> bytes:
        checksums = checksums or [package_checksum(b) for b in blocks]
        return b"".join(struct.pack("<II", len(b), c) + b for b, c in zip(blocks, checksums))


def with_archive(make: Callable[[Archive], bytes], fix_checksum: bool = True
                 ) -> Callable[[bytearray, pefile.SectionStructure], None]:
    """Replaces the archive by what `make` returns (no longer than the original), with the
    header's lengths and, unless told otherwise, its archive checksum to match."""
    def change(data: bytearray, section: pefile.SectionStructure) -> None:
        archive = Archive.read(data, section)
        stored = make(archive)
        base = section.PointerToRawData
        assert struct.unpack_from("<i", data, base + ARCHIVE_LENGTH)[0] >= len(stored)
        data[base + archive.offset:base + archive.offset + len(stored)] = stored
        struct.pack_into("<iii", data, base + PACKAGE_LENGTH, archive.offset + len(stored),
                         struct.unpack_from("<i", data, base + ENTRY_COUNT)[0], len(stored))
        checksum = package_checksum(stored) if fix_checksum else package_checksum(stored) ^ 1
        struct.pack_into("<I", data, base + ARCHIVE_CHECKSUM, checksum)
    return change


def first_record(change_record: Callable[[bytearray], None]) -> Callable[[Archive], bytes]:
    def make(archive: Archive) -> bytes:
        records = archive.records()
        change_record(records[0])
        return Archive.stored([Archive.block_of(records)])
    return make


def flipped_block(fix_block_checksum: bool) -> Callable[[Archive], bytes]:
    """The first block with a byte in the middle of its xz data changed."""
    def make(archive: Archive) -> bytes:
        blocks = list(archive.blocks)
        original = package_checksum(blocks[0])
        damaged_block = bytearray(blocks[0])
        damaged_block[len(damaged_block) // 2] ^= 0x55
        blocks[0] = bytes(damaged_block)
        checksums = [package_checksum(b) for b in blocks]
        if not fix_block_checksum:
            checksums[0] = original
        return Archive.stored(blocks, checksums)
    return make


def first_block_length(length: Callable[[Archive], int]) -> Callable[[Archive], bytes]:
    def make(archive: Archive) -> bytes:
        stored = bytearray(Archive.stored(archive.blocks))
        struct.pack_into("<I", stored, 0, length(archive))
        return bytes(stored)
    return make


def zero_terminated_end(record: bytes, start: int) -> int:
    return record.index(0, start) + 1


def _archive_rows():
    """(id, damage, expected code)"""
    def empty_name(record: bytearray) -> None:
        record[0] = 0

    def kind_two(record: bytearray) -> None:
        struct.pack_into("<I", record, zero_terminated_end(record, 0), 2)

    def data_byte(record: bytearray) -> None:
        record[-5] ^= 0x01  # the last data byte, before the data checksum

    return [
        ("archive-checksum", with_archive(lambda a: Archive.stored(a.blocks), fix_checksum=False), 55),
        ("block-length-zero", with_archive(first_block_length(lambda a: 0)), 61),
        ("block-checksum", with_archive(flipped_block(fix_block_checksum=False)), 62),
        ("block-past-the-end", with_archive(first_block_length(lambda a: len(Archive.stored(a.blocks)))), 63),
        ("block-undecodable", with_archive(flipped_block(fix_block_checksum=True)), 60),
        ("empty-name", with_archive(first_record(empty_name)), 70),
        ("entry-data-checksum", with_archive(first_record(data_byte)), 100),
        ("entry-kind", with_archive(first_record(kind_two)), 110),
        ("archive-bytes-left", with_archive(
            lambda a: Archive.stored([Archive.block_of(a.records()), lzma.compress(b"")])), 80),
        ("queued-bytes-left", with_archive(
            lambda a: Archive.stored([Archive.block_of(a.records(), tail=b"\0\0\0")])), 83),
    ]


@pytest.mark.parametrize("name,change,code", _archive_rows(), ids=[r[0] for r in _archive_rows()])
def test_damaged_archive_ends_with_its_message(packages, wine, name, change, code):
    broken = damaged(packages.build("archive-base"), packages.folder / f"damaged-archive-{name}.exe", change)
    exit_code, texts = run_setup(wine, broken, "/a")
    assert exit_code == 1
    assert any(t.startswith(CORRUPT) and re.search(rf"Error code: {code}\b", t) for t in texts), texts


@pytest.mark.parametrize("name,options,change,expected", _rows(), ids=[r[0] for r in _rows()])
def test_damaged_package_ends_with_its_message(packages, wine, name, options, change, expected):
    setup = packages.build("base-" + "-".join(o.strip("-") for o in options), *options)
    broken = damaged(setup, packages.folder / f"damaged-{name}.exe", change)
    code, texts = run_setup(wine, broken, "/a")
    assert code == 1
    assert any(expected in t for t in texts), texts
    if expected.startswith("Error code"):
        assert any(t.startswith(CORRUPT) for t in texts), texts


def test_stub_without_package_says_so(packages, wine):
    code, texts = run_setup(wine, packages.stub)
    assert code == 1
    assert any(NO_PACKAGE in t for t in texts), texts


def test_silent_mode_fails_without_a_window(packages, wine):
    broken = damaged(packages.build("silent", "--integrity", "1"), packages.folder / "silent-broken.exe", flip(MAGIC))
    assert run_setup(wine, broken, "/silent") == (1, [])


# --- Integrity mode 2: the Authenticode signature -------------------------------------------------

def test_unsigned_file_fails_the_signature_check_with_1001(packages, wine):
    code, texts = run_setup(wine, packages.build("mode2", "--integrity", "2"))
    assert code == 1
    assert any("Error code: 1001" in t and "System error, code " in t for t in texts), texts


@pytest.mark.parametrize("options", [(), ("--archive-in-file",)], ids=["archive-in-section", "archive-in-file"])
def test_signed_file_passes_the_signature_check(packages, wine, options):
    # Wine accepts a self-signed certificate where Windows would report an untrusted root
    # (outcome 3); the outcome seen here is 0, trusted. Signing appends the signature after the
    # archive when the archive lies behind the section; the archive still ends where it began.
    name = "mode2" + "".join(options)
    signed = packages.signed(packages.build(name, "--integrity", "2", *options), name + "-signed")
    assert run_setup(wine, signed, "/a") == (1, [])


def test_tampered_signed_file_fails_the_signature_check(packages, wine):
    signed = packages.signed(packages.build("mode2", "--integrity", "2"), "mode2-signed-tampered-source")
    tampered = damaged(signed, packages.folder / "mode2-tampered.exe", header_padding)
    code, texts = run_setup(wine, tampered)
    assert code == 1
    assert any("Error code: 100" in t for t in texts), texts


def test_signed_stub_and_signed_setup_pass_the_stub_checksum_and_the_uninstaller_keeps_the_signature(packages, wine):
    # The default integrity mode (stub checksum) leaves out what signing changes; the uninstaller
    # image is the signed stub byte for byte.
    stub = packages.signed(packages.stub, "stub-signed")
    setup = packages.folder / "from-signed-stub.exe"
    subprocess.run([str(packages.builder), "build", "--stub", str(stub), "-o", str(setup), "-q", "--integrity", "1",
                    "--package-flags", "0x20", str(packages.folder / "readme.txt")], check=True)
    signed = packages.signed(setup, "from-signed-stub-signed")
    image = packages.folder / "from-signed-stub-image.exe"
    subprocess.run([str(packages.builder), "inspect", str(signed), "--uninstaller-image", str(image)],
                   check=True, stdout=subprocess.DEVNULL)
    assert image.read_bytes() == stub.read_bytes()
    assert run_setup(wine, signed, "/a") == (1, [])
