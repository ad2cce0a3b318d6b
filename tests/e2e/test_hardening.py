"""Hostile packages, tampered uninstall data, planted links and runs that go wrong, under Wine.

Hostile packages are packages written by valdorine-build whose first record is rewritten (as in
test_package); the rest are products of a small project file, installed and uninstalled for real.
What landed is checked on the prefix's drives, with `reg query` and in Install.log."""

from __future__ import annotations

import os
import subprocess
import time
from pathlib import Path

import pytest

from test_package import CORRUPT, SETUP_WINDOWS_PATH, damaged, first_record, packages, with_archive  # noqa: F401
from test_product_registration import drive_c
from test_uninstaller import KEY, FOLDER, UNINSTALLER, install, key_exists, setup_file, uninstall  # noqa: F401
from test_uninstaller import wait_until_gone
from wine import DIALOG_CLASS

ESCAPED = "escaped.txt"
PRODUCT = "Hardening Test"
PRODUCT_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\HardeningTest"


# --- Entry names that leave their folder ----------------------------------------------------------

def renamed(name: bytes):
    def change(record: bytearray) -> None:
        record[:record.index(0)] = name
    return change


@pytest.mark.parametrize("name", [b"..\\..\\" + ESCAPED.encode(), b"../../" + ESCAPED.encode(),
                                  b"sub\\..\\..\\..\\" + ESCAPED.encode(), b"C:\\" + ESCAPED.encode(),
                                  b"\\\\?\\C:\\" + ESCAPED.encode(), ESCAPED.encode() + b":stream", b"NUL",
                                  b"sub\\com1.txt", b"trailing.txt."],
                         ids=["dotdot", "slashes", "sub-dotdot", "drive", "device-path", "stream", "nul", "com1",
                              "trailing-dot"])
def test_entry_name_leaving_its_folder_is_refused_before_anything_is_written(packages, wine, name):
    broken = damaged(packages.build("names-base"), packages.folder / f"escaping-{name.hex()}.exe",
                     with_archive(first_record(renamed(name))))
    before = {p for p in drive_c(wine, "C:\\").iterdir()}
    process = wine.start(wine.put_file(broken, SETUP_WINDOWS_PATH), "/a")
    window = wine.read_window("setup.exe", timeout=60, press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 1
    assert window is not None and any(t.startswith(CORRUPT) and "Error code: 73" in t for t in window.texts), window
    assert {p for p in drive_c(wine, "C:\\").iterdir()} <= before | {drive_c(wine, r"C:\downloads")}
    assert not list(drive_c(wine, r"C:\Program Files").rglob(ESCAPED))


# --- Uninstall.DAT changed after the installation --------------------------------------------------

def install_and_plant_lines(wine, setup_file) -> tuple[Path, Path, bytes]:
    """Installs the product, then adds lines naming a file and folder outside it to Uninstall.DAT;
    returns that file, Uninstall.DAT and the bytes the installation wrote there."""
    install(wine, setup_file)
    victim = drive_c(wine, r"C:\victim\keep.txt")
    victim.parent.mkdir()
    victim.write_text("keep")
    data = drive_c(wine, FOLDER + r"\uninstall\Uninstall.DAT")
    recorded = data.read_bytes()
    data.write_bytes(b"C:\\victim\\keep.txt\r\n~C:\\victim\r\n" + recorded)
    return victim, data, recorded


def test_lines_added_to_uninstall_data_are_refused_and_nothing_is_removed(setup_file, wine):
    victim, data, recorded = install_and_plant_lines(wine, setup_file)

    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    window = wine.read_window("uninstall.exe", timeout=20, press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 0
    assert window is not None and any("does not match the one recorded" in t for t in window.texts), window
    assert victim.read_text() == "keep"
    assert drive_c(wine, FOLDER + r"\payload.txt").exists()
    assert key_exists(wine, KEY)

    data.write_bytes(recorded)  # the file as the installation wrote it is accepted
    assert uninstall(wine) == 0
    assert not key_exists(wine, KEY)
    assert victim.read_text() == "keep"


def test_lines_planted_before_a_reinstall_are_not_carried_into_the_new_uninstall_data(setup_file, wine):
    victim, data, _ = install_and_plant_lines(wine, setup_file)

    install(wine, setup_file)  # the planted lines now sit in a file this run would carry over

    assert b"victim" not in data.read_bytes().lower()
    log = drive_c(wine, FOLDER + r"\uninstall\Install.log").read_bytes().decode("utf-8-sig")
    assert "does not match its recorded digest" in log
    assert uninstall(wine) == 0
    assert not key_exists(wine, KEY)
    assert not drive_c(wine, FOLDER + r"\payload.txt").exists()
    assert victim.read_text() == "keep"


# --- Links planted in the product's folder ---------------------------------------------------------

def test_reinstall_replaces_planted_hard_links_instead_of_writing_through_them(setup_file, wine):
    install(wine, setup_file)
    folder = drive_c(wine, FOLDER + r"\uninstall")
    victims = {}
    for name in ("Install.log", "Uninstall.DAT"):
        victim = drive_c(wine, rf"C:\victim-{name}")
        victim.write_bytes(b"secret")
        (folder / name).unlink()
        os.link(victim, folder / name)
        victims[name] = victim

    install(wine, setup_file)

    for name, victim in victims.items():
        assert victim.read_bytes() == b"secret", name
        assert os.stat(folder / name).st_nlink == 1, name
    assert (folder / "Install.log").read_bytes().startswith(b"\xef\xbb\xbfInstallation log for: Uninstall Test")
    assert uninstall(wine) == 0  # the new Uninstall.DAT is the one recorded
    assert not key_exists(wine, KEY)


# --- Runs that go wrong ----------------------------------------------------------------------------

def product(folder: Path, build, files: dict[str, bytes], install_options: str = "",
            name: str = "setup.exe") -> Path:
    """A product of `files` (relative paths below payload/) in C:\\Hardening Test."""
    payload = folder / "payload"
    for relative, data in files.items():
        (payload / relative).parent.mkdir(parents=True, exist_ok=True)
        (payload / relative).write_bytes(data)
    project = folder / "hardening.toml"
    project.write_text(f"""
[product]
name = "{PRODUCT}"
version = "1.0"
uninstall_key = "HardeningTest"

[install]
folder = 'C:\\{PRODUCT}'
{install_options}

[[files]]
source = "payload/**"
""")
    output = folder / name
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                   check=True, stdout=subprocess.DEVNULL)
    return output


def many_files(count: int) -> dict[str, bytes]:
    return {f"part{i // 100}\\file{i:05}.txt": f"file {i}\n".encode() * 20 for i in range(count)}


def uninstall_product(wine) -> int:
    return wine.run(f"C:\\{PRODUCT}\\uninstall\\uninstall.exe", "/u:HardeningTest", "/silent", timeout=300)


def wait_for(path: Path, seconds: float = 60) -> bool:
    deadline = time.monotonic() + seconds
    while not path.exists() and time.monotonic() < deadline:
        time.sleep(0.02)
    return path.exists()


def test_killed_installation_is_removed_after_the_next_run(build, wine, tmp_path):
    first = product(tmp_path / "v1", build, many_files(3000))
    folder = drive_c(wine, f"C:\\{PRODUCT}")
    process = wine.start(wine.put_file(first, r"C:\downloads\setup.exe"), "/silent")
    assert wait_for(folder / "part0" / "file00000.txt")
    wine.stop()  # killed in the file loop
    assert process.returncode is not None
    assert not (folder / "uninstall" / "Uninstall.DAT").exists(), "the run was not interrupted"
    assert (folder / "uninstall" / "Install.journal").is_file()

    # A later version with fewer files takes the killed run's journal over.
    second = product(tmp_path / "v2", build, {"readme.txt": b"version 2\n"})
    assert wine.run(wine.put_file(second, r"C:\downloads\setup2.exe"), "/silent") == 1
    assert not (folder / "uninstall" / "Install.journal").exists()
    assert uninstall_product(wine) == 0
    assert not key_exists(wine, PRODUCT_KEY)
    assert wait_until_gone(folder, 30), sorted(str(p) for p in folder.rglob("*"))[:10]


def test_second_installer_is_refused_while_one_runs(build, wine, tmp_path):
    setup = product(tmp_path, build, many_files(10), "single_instance = true")
    # The first installer waits on its greeting, holding the lock for as long as the test needs.
    first = wine.start(wine.put_file(setup, r"C:\downloads\setup.exe"))
    assert wine.read_window("setup.exe", timeout=30, window_class=DIALOG_CLASS,
                            with_text="This program installs") is not None
    second = wine.start(wine.put_file(setup, r"C:\downloads\setup2.exe"))
    window = wine.read_window("setup2.exe", timeout=30, press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(second) == 1
    assert window is not None and any("Another installation is running" in t for t in window.texts), window
    wine.read_window("setup.exe", timeout=30, press_text="Cancel", window_class=DIALOG_CLASS)
    wine.read_window("setup.exe", timeout=10, press_text="Yes", window_class=DIALOG_CLASS)
    assert wine.wait(first) == 1
    # Once the first has ended, the lock is free again (without /exitcodes every installation run ends
    # with 1).
    assert wine.run(wine.put_file(setup, r"C:\downloads\setup3.exe"), "/silent") == 1
    assert "*** FAILURE SUMMARY ***" not in drive_c(wine, f"C:\\{PRODUCT}\\uninstall\\Install.log").read_text(
        encoding="utf-8-sig")
    assert uninstall_product(wine) == 0
    assert wait_until_gone(drive_c(wine, f"C:\\{PRODUCT}"), 30)


def test_uninstalling_twice_changes_nothing_the_second_time(setup_file, wine, build):
    install(wine, setup_file)
    assert uninstall(wine) == 0
    assert not key_exists(wine, KEY)
    installer = wine.put_file(build.installer, r"C:\downloads\again.exe")
    process = wine.start(installer, "/u:UninstallTest")
    window = wine.read_window("again.exe", timeout=20, press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 0
    assert window is not None and any("No product named 'UninstallTest' is installed." in t for t in window.texts)


# --- A small drive of its own: full, or read-only ---------------------------------------------------

@pytest.fixture
def small_drive(wine, tmp_path):
    """A 4 MiB drive D: (a tmpfs of its own); yields its folder and a function that makes it
    read-only."""
    mount_point = tmp_path / "drive-d"
    mount_point.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", str(mount_point)]).returncode != 0:
        pytest.fail("a small drive needs mount (run as root)")
    link = wine.prefix / "dosdevices" / "d:"
    link.unlink(missing_ok=True)
    link.symlink_to(mount_point)

    def make_read_only() -> None:
        subprocess.run(["mount", "-o", "remount,ro", str(mount_point)], check=True)

    try:
        yield mount_point, make_read_only
    finally:
        wine.stop()
        subprocess.run(["umount", "-l", str(mount_point)])


def test_full_disk_ends_with_the_failure_summary_and_a_removable_installation(build, wine, tmp_path, small_drive):
    drive, _ = small_drive
    files = {"a-first.txt": b"first\n", "b-large.bin": os.urandom(6 << 20), "c-last.txt": b"last\n"}
    setup = product(tmp_path, build, files)
    assert wine.run(wine.put_file(setup, r"C:\downloads\setup.exe"), "/silent", r'/d:D:\Product') == 1

    product_folder = drive / "Product"
    log = (product_folder / "uninstall" / "Install.log").read_text(encoding="utf-8-sig")
    summary = log.split("*** FAILURE SUMMARY ***", 1)[1]
    assert r"D:\Product\b-large.bin" in summary
    assert (product_folder / "a-first.txt").read_bytes() == b"first\n"
    assert (product_folder / "c-last.txt").read_bytes() == b"last\n"
    assert key_exists(wine, PRODUCT_KEY)

    assert wine.run(r"D:\Product\uninstall\uninstall.exe", "/u:HardeningTest", "/silent") == 0
    assert not key_exists(wine, PRODUCT_KEY)
    assert wait_until_gone(product_folder, 30), sorted(str(p) for p in product_folder.rglob("*"))


def test_read_only_destination_ends_the_run_without_writing(build, wine, tmp_path, small_drive):
    drive, make_read_only = small_drive
    setup = product(tmp_path, build, {"readme.txt": b"read me\n"})
    make_read_only()
    assert wine.run(wine.put_file(setup, r"C:\downloads\setup.exe"), "/silent", r'/d:D:\Product') == 1
    assert list(drive.iterdir()) == []
