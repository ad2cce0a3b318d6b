"""Shortcuts under Wine: a product's shortcuts from the install script's list, from a file entry,
to the uninstaller and to the install log, placed for the current user or for all users; each .lnk
is read back with lnkinfo (liblnk-utils), and the uninstaller leaves none of them behind."""

from __future__ import annotations

import re
import subprocess
from pathlib import Path

import pytest

from test_product_registration import drive_c

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Link Test"
KEY = "LinkTest"
SHOW_NORMAL, SHOW_MAXIMIZED, SHOW_MIN_NO_ACTIVE = 1, 3, 7

PROJECT = f"""
[product]
name = "Link Test"
version = "1.0"
uninstall_key = "{KEY}"

[install]
folder = '{FOLDER}'
start_menu_folder = "Link Test"
log_each_file = true
log_shortcut = true
shortcuts_for = "{{mode}}"

[uninstall]
start_menu_shortcut = true

[taskbar_pin]
command = '%InstallDir%\\bin\\tool.exe'

[[files]]
source = "tool.exe"
folder = "bin"

[[files]]
source = "notes.txt"
desktop_shortcut = true
shortcut_name = "Notes"

[[shortcuts]]
target = 'bin\\tool.exe'
name = ' Tools\\Tool '
arguments = '--data "%InstallDir%\\data"'
working_folder = 'C:'
icon = '..\\bin\\tool.ico'
show = "minimised"
desktop = true
start_menu = true
startup = true
folder = '%InstallDir%\\links'

[[shortcuts]]
target = 'unused.exe'
name = "Edit Notes"
arguments = '~"C:\\windows\\notepad.exe"  "%InstallDir%\\notes.txt"'
working_folder = '%InstallDir%\\missing\\'
show = "maximised"
start_menu = true
"""


def lnk_fields(path: Path) -> dict[str, str]:
    """The fields lnkinfo prints as "name : value", by lower-case name, and the show command from
    the fixed header (offset 0x3C) as "show"."""
    output = subprocess.run(["lnkinfo", str(path)], check=True, capture_output=True, text=True).stdout
    fields = {"show": int.from_bytes(path.read_bytes()[0x3C:0x40], "little")}
    for line in output.splitlines():
        match = re.match(r"^\s+([^:]+?)\s*:\s(.*)$", line)
        if match:
            fields.setdefault(match.group(1).lower(), match.group(2).strip())
    return fields


def shell_folders(wine, mode: str) -> dict[str, Path]:
    """Desktop, programs and startup folders of the placement mode, on the prefix's drive."""
    users = wine.prefix / "drive_c" / "users"
    if mode == "all-users":
        programs = wine.prefix / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
        return {"desktop": users / "Public" / "Desktop", "programs": programs, "startup": programs / "StartUp"}
    home = next(folder for folder in users.iterdir() if folder.name not in ("Public", "Default") and folder.is_dir())
    programs = home / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
    return {"desktop": home / "Desktop", "programs": programs, "startup": programs / "StartUp"}


@pytest.fixture
def installed(build, wine, tmp_path, request):
    mode = request.param
    (tmp_path / "tool.exe").write_bytes(b"MZ tool")
    (tmp_path / "notes.txt").write_text("notes\n")
    project = tmp_path / "links.toml"
    project.write_text(PROJECT.replace("{mode}", mode))
    setup = tmp_path / "links.exe"
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(setup)],
                   check=True, stdout=subprocess.DEVNULL)
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    return mode


@pytest.mark.parametrize("installed", ["current-user", "all-users"], indirect=True)
def test_shortcuts_are_made_as_recorded_and_removed_again(installed, wine):
    folders = shell_folders(wine, installed)
    menu = folders["programs"] / "Link Test"
    tool = {"local path": rf"{FOLDER}\bin\tool.exe", "command line arguments": rf'--data "{FOLDER}\data"',
            "working directory": "C:\\", "icon location": rf"{FOLDER}\bin\tool.ico", "icon index": "0",
            "show": SHOW_MIN_NO_ACTIVE}
    expected = {
        folders["desktop"] / "Tools" / "Tool.lnk": tool,
        menu / "Tools" / "Tool.lnk": tool,
        folders["startup"] / "Tools" / "Tool.lnk": tool,
        drive_c(wine, FOLDER) / "links" / "Tools" / "Tool.lnk": tool,
        folders["desktop"] / "Notes.lnk": {"local path": rf"{FOLDER}\notes.txt", "working directory": FOLDER,
                                           "icon location": rf"{FOLDER}\notes.txt",
                                           "show": SHOW_NORMAL},
        menu / "Edit Notes.lnk": {"local path": r"C:\windows\notepad.exe",
                                  "command line arguments": rf'"{FOLDER}\notes.txt"',
                                  "working directory": rf"{FOLDER}\missing",
                                  "show": SHOW_MAXIMIZED},
        menu / "Uninstall Link Test.lnk": {"local path": rf"{FOLDER}\uninstall\uninstall.exe",
                                           "command line arguments": f'/u:"{KEY}"'},
        menu / "Installation log.lnk": {"local path": rf"{FOLDER}\uninstall\Install.log"},
    }
    for path, fields in expected.items():
        assert path.is_file(), path
        read = lnk_fields(path)
        assert {name: read.get(name) for name in fields} == fields, path
        assert "description" not in read, path

    log = (drive_c(wine, FOLDER) / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")
    assert f"Desktop Shortcut(Tools\\Tool) >>> {windows(wine, folders['desktop'])}\\Tools\\Tool.lnk" in log
    assert f'Shortcut "Start In" folder "{FOLDER}\\missing\\" doesn\'t exist.' in log
    assert "Pin to taskbar" not in log  # the prefix reports Windows 10
    assert "user pinned" not in (drive_c(wine, FOLDER) / "uninstall" / "Uninstall.DAT").read_bytes().decode("cp1252").lower()

    assert wine.run(rf"{FOLDER}\uninstall\uninstall.exe", f"/u:{KEY}", "/silent") == 0
    for path in expected:
        assert not path.exists(), path
    for folder in (menu, folders["desktop"] / "Tools", folders["startup"] / "Tools", drive_c(wine, FOLDER) / "links"):
        assert not folder.exists(), folder


def windows(wine, path: Path) -> str:
    """The Windows form of a path on the prefix's drive C:."""
    return "C:\\" + "\\".join(path.relative_to(wine.prefix / "drive_c").parts)
