"""The file loop under Wine: packages written by valdorine-build with files for every overwrite
mode and replacement rule, run by the real installer with /silent over files that already exist,
and checked on the prefix's drive (contents and dates), in Install.log (per-file lines, skip
reasons, the failure summary) and in the registry (the pending replacements, through reg query)."""

from __future__ import annotations

import calendar
import os
import subprocess
import time
from pathlib import Path

import pytest

from wine import DIALOG_CLASS

SETUP = r"C:\downloads\setup.exe"
INSTALL_FOLDER = r"C:\Program Files (x86)\File Test"
TABLE_FOLDER = r"C:\Table"
PAYLOAD = b"new payload\r\n"
OLD = b"old contents\r\n"
ENTRY_TIME = calendar.timegm((2024, 5, 10, 12, 0, 0))
ENTRY_DATE = "2024/05/10 12:00:00"
SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"

# The existing file at the destination, by its modification time relative to the entry's.
EXISTING = {"absent": None, "newer": 3600, "older": -3600, "equal": 1}
# Destinations standing for the three replacement rules.
GROUPS = {"always": "install-folder", "date": "shared-folder", "newer": "install-folder-versioned"}
MODES = ["default", "never", "only-if-exists", "only-if-absent", "unless-existing-is-newer"]


def date_text(offset: int) -> str:
    return time.strftime("%Y/%m/%d %H:%M:%S", time.gmtime(ENTRY_TIME + offset))


def default_rule(group: str, existing: str) -> tuple[bool, str | None]:
    """What each replacement rule does with an existing file: installed?, the text after the path."""
    offset = EXISTING[existing]
    if offset is None or group == "always":
        return True, None
    if group == "date":
        return (True, " is out of date and will be replaced.") if offset < 0 else (False, " is up to date.")
    if offset < 0:
        return True, f" needs replacement because its date ({ENTRY_DATE}) is newer than {date_text(offset)}"
    return False, f" was not installed because its date ({ENTRY_DATE}) is not newer than {date_text(offset)}."


# Overwrite mode, group, existing file -> installed?, log text after the destination path.
def expected(mode: str, group: str, existing: str) -> tuple[bool, str | None]:
    present = EXISTING[existing] is not None
    if mode == "never":
        return False, None
    if mode == "only-if-exists" and not present:
        return False, " was not installed because it does not already exist."
    if mode == "only-if-absent" and present:
        return False, " was not installed because it already exists."
    if mode == "unless-existing-is-newer" and existing == "newer":
        return False, " was not installed because the existing file is newer."
    return default_rule(group, existing)


CASES = [(mode, group, existing) for mode in MODES for group in GROUPS for existing in EXISTING]


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def install_log(wine) -> str:
    return (drive_c(wine, INSTALL_FOLDER) / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")


def uninstall_entries(wine) -> set[str]:
    """The file entries of the uninstall list at the head of Uninstall.DAT, lower-cased."""
    text = (drive_c(wine, INSTALL_FOLDER) / "uninstall" / "Uninstall.DAT").read_bytes().decode("cp1252")
    return {line.lower() for line in text.split("\r\n\r\n\r\n", 1)[0].split("\r\n")}


def table_path(mode: str, group: str, existing: str) -> str:
    return rf"{TABLE_FOLDER}\{mode}-{group}-{existing}.txt"


def file_table(source: str, target: str, **keys: str) -> str:
    lines = [f'source = "{source}"', f"target = '{target}'"] + [f'{key} = "{value}"' for key, value in keys.items()]
    return "\n[[files]]\n" + "\n".join(lines) + "\n"


def table_files() -> str:
    tables = []
    for mode, group, existing in CASES:
        keys = {"destination": GROUPS[group], "overwrite": mode}
        if group == "newer":
            keys["version"] = "2.0"
        tables.append(file_table("payload.txt", table_path(mode, group, existing), **keys))
    return "".join(tables)


@pytest.fixture
def build_setup(build, tmp_path):
    """Builds a package with `files` ([[files]] tables) and `install` lines; the payload is dated
    ENTRY_TIME."""
    def build_one(name: str, files: str, install: str = "") -> Path:
        payload = tmp_path / "payload.txt"
        payload.write_bytes(PAYLOAD)
        os.utime(payload, (ENTRY_TIME, ENTRY_TIME))
        project = tmp_path / f"{name}.toml"
        project.write_text(f"""
[product]
name = "File Test"
version = "2.0"
uninstall_key = "FileTest"

[install]
folder = 'File Test'
log_each_file = true
{install}
{files}""")
        output = tmp_path / f"{name}.exe"
        subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                       check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def put_existing(wine, windows_path: str, offset: int) -> Path:
    path = drive_c(wine, windows_path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(OLD)
    os.utime(path, (ENTRY_TIME + offset, ENTRY_TIME + offset))
    return path


def test_overwrite_modes_and_replacement_rules_against_existing_files(build_setup, wine):
    setup = build_setup("table", table_files())
    for mode, group, existing in CASES:
        if EXISTING[existing] is not None:
            put_existing(wine, table_path(mode, group, existing), EXISTING[existing])
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    log = install_log(wine)
    uninstall_list = uninstall_entries(wine)
    problems = []
    for mode, group, existing in CASES:
        case = f"{mode}/{group}/{existing}"
        windows_path = table_path(mode, group, existing)
        path = drive_c(wine, windows_path)
        installed, text = expected(mode, group, existing)
        name = windows_path.rsplit("\\", 1)[1]
        logged_install = f"{name} >>> {windows_path}\r\n" in log
        if installed:
            if path.read_bytes() != PAYLOAD or int(path.stat().st_mtime) != ENTRY_TIME:
                problems.append(f"{case}: not installed with the entry's contents and date")
        elif path.exists() != (EXISTING[existing] is not None) or (path.exists() and path.read_bytes() != OLD):
            problems.append(f"{case}: the existing file was changed")
        if logged_install != installed:
            problems.append(f"{case}: per-file log line {'missing' if installed else 'present'}")
        if text is not None and f"{windows_path}{text}\r\n" not in log:
            problems.append(f"{case}: no log line {windows_path}{text!r}")
        if text is None and f"{windows_path} " in log.replace(f">>> {windows_path}\r\n", ""):
            problems.append(f"{case}: unexpected log line about the file")
        # The uninstaller removes what the product wrote or found in place, except shared files.
        listed = windows_path.lower() in uninstall_list
        should_list = group != "date" and mode != "never" and (installed or EXISTING[existing] is not None)
        if listed != should_list:
            problems.append(f"{case}: {'listed' if listed else 'not listed'} in the uninstall list")
    assert not problems, "\n".join(problems) + "\n\n" + log


def reg_query(wine, output: Path, key: str, value: str, *options: str) -> str:
    wine.wait(wine.start("reg", "query", key, "/v", value, *options, stdout=output))
    return output.read_bytes().decode("utf-8", "replace") if output.exists() else ""


def hold_file(wine, build, tmp_path, windows_path: str) -> None:
    """Starts hold-file.exe on the file and waits until it holds it without sharing."""
    ready = tmp_path / "held.ready"
    wine.start(build.windows / "hold-file.exe", windows_path, "Z:" + str(ready).replace("/", "\\"))
    for _ in range(100):
        if ready.exists():
            return
        time.sleep(0.1)
    pytest.fail("hold-file did not take the file")


HELD = rf"{INSTALL_FOLDER}\held.txt"


def held_file_setup(wine, build, build_setup, tmp_path, install: str) -> Path:
    put_existing(wine, HELD, -3600)
    setup = build_setup("held", file_table("payload.txt", r"%InstallDir%\held.txt"), install)
    hold_file(wine, build, tmp_path, HELD)
    return setup


def registered_temporary(log: str) -> str:
    """The temporary file named by the replacement message, which must be complete."""
    start = log.index(f'"{HELD}" was successfully registered for replacement.\r\nTemporary file is "')
    temporary = log[start:].split('Temporary file is "', 1)[1].split('"', 1)[0]
    assert log[start:].startswith(f'"{HELD}" was successfully registered for replacement.\r\n'
                                  f'Temporary file is "{temporary}"\r\nReboot will be required.\r\n\r\n')
    assert temporary.upper().startswith(rf"{INSTALL_FOLDER}\SGT".upper())
    assert f"held.txt >>> {HELD}\r\n" not in log  # not written, so not logged as installed
    return temporary


def test_file_held_open_is_left_for_the_restart_that_the_run_asks_for(build, build_setup, wine, tmp_path):
    """In automatic mode the restart is asked for (the run's restart mark is set), so the pending
    replacement can be read before any restart carries it out."""
    wine.keep_server()  # a new server would boot the prefix, which carries out the pending list
    setup = held_file_setup(wine, build, build_setup, tmp_path,
                            "replace_in_use_at_restart = true\nask_restart_in_automatic_mode = true")
    process = wine.start(wine.put_file(setup, SETUP), "/a")
    question = wine.read_window("setup.exe", timeout=30, press_text="No", window_class=DIALOG_CLASS,
                                with_text="Restart now?")  # not the progress window, also a dialog
    assert wine.wait(process) == 1
    assert question is not None, "no restart question"
    temporary = registered_temporary(install_log(wine))
    assert drive_c(wine, HELD).read_bytes() == OLD
    assert drive_c(wine, temporary).read_bytes() == PAYLOAD
    assert int(drive_c(wine, temporary).stat().st_mtime) == ENTRY_TIME
    pending = reg_query(wine, tmp_path / "pending.txt", SESSION_MANAGER, "PendingFileRenameOperations")
    assert temporary.lower() in pending.lower() and HELD.lower() in pending.lower(), pending


def test_file_held_open_in_a_silent_run_restarts_without_asking(build, build_setup, wine, tmp_path):
    """With /silent the restart follows at once; under Wine it carries out the pending list itself."""
    setup = held_file_setup(wine, build, build_setup, tmp_path, "replace_in_use_at_restart = true")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    temporary = registered_temporary(install_log(wine))
    assert drive_c(wine, temporary).exists() or drive_c(wine, HELD).read_bytes() == PAYLOAD


def test_file_held_open_without_replacement_at_restart_is_a_failure(build, build_setup, wine, tmp_path):
    setup = held_file_setup(wine, build, build_setup, tmp_path, "")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    log = install_log(wine)
    assert "registered for replacement" not in log
    assert f" {HELD}\r\n" in log and not log.endswith("Installation complete\r\n")
    assert drive_c(wine, HELD).read_bytes() == OLD
    assert "held.txt" not in reg_query(wine, tmp_path / "pending.txt", SESSION_MANAGER, "PendingFileRenameOperations")


def test_absent_drive_letter_is_named_in_the_failure_summary(build_setup, wine):
    """A shared folder on a drive that does not exist: the shared file cannot be written there."""
    letter = next(l for l in "QRSTUVWXY" if not (wine.prefix / "dosdevices" / f"{l.lower()}:").exists())
    files = '\n[[files]]\nsource = "payload.txt"\ndestination = "shared-folder"\n'
    setup = build_setup("absent-drive", files, f"shared_folder = '{letter}:\\Shared'\nreplace_in_use_at_restart = true")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    log = install_log(wine)
    assert f" {letter}:\\Shared\\payload.txt\r\nDrive {letter}: is not present.\r\n" in log
    assert "registered for replacement" not in log
    assert not log.endswith("Installation complete\r\n")


UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FileTest"
FONTS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts"


def test_shared_files_and_fonts_reach_the_product_registration(build_setup, wine, tmp_path):
    """The lists the loop fills, as product registration stores them in the uninstall key: shared
    files with their marks, and the font's title and name; the font is registered with Windows."""
    for name in ("shared.dat", "sys6.dll", "comsrv7.dll", "types8.tlb", "face.ttf", "kept.dat"):
        (tmp_path / name).write_bytes(PAYLOAD)
    files = "".join(f'\n[[files]]\nsource = "{source}"\n{keys}\n' for source, keys in [
        ("shared.dat", 'destination = "shared-folder"'),
        ("kept.dat", 'destination = "shared-folder"\npermanent = true'),
        ("sys6.dll", 'destination = "system-shared"\nversion = "1.0"'),
        ("comsrv7.dll", 'destination = "system-com-server"\nversion = "1.0"'),
        ("types8.tlb", 'destination = "system-type-library"\nversion = "1.0"'),
        ("face.ttf", 'destination = "fonts"\nfont_title = "File Test Sans (TrueType)"'),
    ])
    assert wine.run(wine.put_file(build_setup("lists", files), SETUP), "/silent") == 1
    shared = reg_query(wine, tmp_path / "shared.txt", UNINSTALL_KEY, "SharedFiles", "/reg:64").lower()
    system = r"c:\windows\system32"
    for entry in (r"\file test\shared.dat", r"\file test\kept.dat ", rf"{system}\sys6.dll ", rf"{system}\comsrv7.dll^"):
        assert f'{entry}"' in shared, entry
    assert rf"{system}\types8.tlb" in shared
    fonts = reg_query(wine, tmp_path / "fonts.txt", UNINSTALL_KEY, "ProductFonts", "/reg:64")
    assert '"File Test Sans (TrueType)" "face.ttf" ' in fonts
    assert "face.ttf" in reg_query(wine, tmp_path / "font.txt", FONTS_KEY, "File Test Sans (TrueType)")
    assert drive_c(wine, r"C:\windows\Fonts\face.ttf").read_bytes() == PAYLOAD
