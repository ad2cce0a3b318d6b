"""Conditional deletions and the pending-operations list during a real installation under Wine:
files left by an earlier version are deleted by size before the new files arrive, and a pending
operation that would delete a freshly installed file at the next restart is taken off the list.
Checked on the prefix's drive, in Install.log and with `reg query`."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pytest

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Program Files (x86)\Deferred Test"
SESSION_MANAGER = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager"


def project(folder: Path, tables: str) -> Path:
    (folder / "payload.txt").write_text("payload\n")
    path = folder / "deferred.toml"
    path.write_text(f"""
[product]
name = "Deferred Test"
version = "2.0"
uninstall_key = "DeferredTest"

[install]
folder = 'Deferred Test'

[[files]]
source = "payload.txt"

{tables}
""")
    return path


@pytest.fixture
def install(build, tmp_path, wine):
    """Builds a package with the given extra tables and runs it silently."""
    def run(tables: str = "") -> None:
        setup = tmp_path / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project(tmp_path, tables)), "--stub", str(build.installer),
                        "-o", str(setup)], check=True, stdout=subprocess.DEVNULL)
        assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    return run


def on_drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def install_log(wine) -> str:
    return (on_drive_c(wine, FOLDER) / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")


def pending_operations(wine) -> list[str]:
    """The texts of the pending list as `reg query` prints them (separated by "\\0")."""
    output = wine.prefix.parent / "pending.txt"
    code = wine.wait(wine.start("reg", "query", SESSION_MANAGER, "/v", "PendingFileRenameOperations",
                                stdout=output))
    if code != 0:
        return []
    for line in output.read_text(encoding="utf-8", errors="replace").splitlines():
        if "REG_MULTI_SZ" in line:
            return line.split("REG_MULTI_SZ", 1)[1].strip().split("\\0")
    return []


def set_pending_operations(wine, texts: list[str]) -> None:
    """Writes the pending list through a Unicode .reg file: `reg add` refuses empty texts."""
    data = "".join(text + "\0" for text in texts) + "\0"
    hex_bytes = ",".join(f"{byte:02x}" for byte in data.encode("utf-16-le"))
    key = "HKEY_LOCAL_MACHINE" + SESSION_MANAGER[len("HKLM"):]
    text = f'Windows Registry Editor Version 5.00\r\n\r\n[{key}]\r\n"PendingFileRenameOperations"=hex(7):{hex_bytes}\r\n'
    on_drive_c(wine, r"C:\pending.reg").write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
    assert wine.run("reg", "import", r"C:\pending.reg") == 0


def test_files_of_an_earlier_version_are_deleted_by_size(install, wine):
    old = on_drive_c(wine, FOLDER) / "old"
    old.mkdir(parents=True)
    (old / "small.bin").write_bytes(b"x" * 10)
    (old / "large.bin").write_bytes(b"x" * 30)
    (old / "large.txt").write_bytes(b"x" * 30)

    install("""
[[conditional_delete]]
pattern = '%InstallDir%\\old\\*.bin'
condition = "size-at-least"
value = "20"
when = ["install"]
""")

    assert sorted(path.name for path in old.iterdir()) == ["large.txt", "small.bin"]
    log = install_log(wine)
    assert f"Deleted file: {FOLDER}\\old\\large.bin\r\n" in log
    assert "small.bin" not in log
    assert (on_drive_c(wine, FOLDER) / "payload.txt").is_file()


def test_a_pending_deletion_of_an_installed_file_is_taken_off_the_list(install, wine):
    wine.keep_server()  # a new server would boot the prefix, which carries out the list
    installed = f"\\??\\{FOLDER}\\PAYLOAD.TXT"
    unrelated = ["\\??\\C:\\Other\\stale.tmp", "!\\??\\C:\\Other\\stale.dll"]
    set_pending_operations(wine, [installed, "", *unrelated])
    assert pending_operations(wine)[:2] == [installed, ""]

    install()

    assert pending_operations(wine) == unrelated
    expected = f"File \"{FOLDER.lower()}\\payload.txt\" was removed from the list of pending deletions.\r\n"
    assert expected in install_log(wine)
