"""The installation run under Wine, in automatic and silent mode: packages written by
valdorine-build from small project files, run by the real installer, checked through the exit
code, the folders and Install.log on the prefix's drive, and the message boxes the run shows (read
through the dialog driver)."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pytest

from wine import DIALOG_CLASS

SETUP = r"C:\downloads\setup.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SequenceTest"
NEW_FOLDER = r"C:\Program Files (x86)\Sequence Test"
NEXT_BUTTON = 1001  # the wizard pages' forward button


def project(folder: Path, name: str, *, version: str = "2.0", bitness: str = "any",
            install_folder: str = "Sequence Test", install: str = "", ui: str = "", tables: str = "") -> Path:
    """A project with one small file; `install` and `ui` add lines to those tables, `tables` adds
    tables of its own."""
    (folder / "payload.txt").write_text("payload\n")
    path = folder / f"{name}.toml"
    path.write_text(f"""
[product]
name = "Sequence Test"
version = "{version}"
bitness = "{bitness}"
uninstall_key = "SequenceTest"

[install]
folder = '{install_folder}'
{install}

[ui]
{ui}

[[files]]
source = "payload.txt"

{tables}
""")
    return path


@pytest.fixture
def build_setup(build, tmp_path):
    def build_one(name: str, **settings: str) -> Path:
        output = tmp_path / f"{name}.exe"
        subprocess.run([str(build.builder), "build", str(project(tmp_path, name, **settings)),
                        "--stub", str(build.installer), "-o", str(output)], check=True,
                       stdout=subprocess.DEVNULL)
        return output
    return build_one


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def reg_add(wine, key: str, name: str | None, data: str) -> None:
    value = ["/ve"] if name is None else ["/v", name]
    assert wine.run("reg", "add", key, *value, "/d", data, "/f", "/reg:64") == 0


def existing_installation(wine, version: str, **values: str) -> Path:
    """An earlier installation as product registration leaves it: the folder and its uninstall key."""
    folder = r"C:\Existing Sequence Test"
    drive_c(wine, folder).mkdir(parents=True)
    for name, data in {"InstallLocation": folder, "DisplayVersion": version,
                       "UninstallString": r"C:\uninstall.exe", **values}.items():
        reg_add(wine, UNINSTALL_KEY, name, data)
    return drive_c(wine, folder)


def install_log(folder: Path) -> str:
    return (folder / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")


def run_to_message(wine, setup: Path, *args: str) -> tuple[int, list[str]]:
    """Runs the installer until it shows a message box, presses OK, and returns the exit code with
    the box's texts."""
    process = wine.start(wine.put_file(setup, SETUP), *args)
    window = wine.read_window("setup.exe", timeout=20, press_text="OK", window_class=DIALOG_CLASS)
    code = wine.wait(process)
    assert window is not None, "no message box"
    return code, window.texts


def test_completed_silent_run_ends_with_code_1_and_writes_the_log(build_setup, wine):
    setup = build_setup("plain")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    log = install_log(drive_c(wine, NEW_FOLDER))
    assert "Installation log for: Sequence Test\r\n" in log
    assert "Install type: New\r\n" in log
    assert f"Install location: {NEW_FOLDER}\r\n" in log
    assert log.endswith("Installation complete\r\n")


def test_folder_switch_overrides_the_default_folder(build_setup, wine):
    setup = build_setup("plain")
    assert wine.run(wine.put_file(setup, SETUP), "/a", "/d:C:\\Chosen\\Place\\") == 1
    assert "Install location: C:\\Chosen\\Place\r\n" in install_log(drive_c(wine, r"C:\Chosen\Place"))
    assert not drive_c(wine, NEW_FOLDER).exists()


def test_32_bit_only_product_refuses_64_bit_windows_without_a_message(build_setup, wine):
    setup = build_setup("only32", bitness="32-bit-only")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert not drive_c(wine, NEW_FOLDER).exists()


@pytest.mark.parametrize("existing_version, overwriting", [("2.0", "2.0"), ("1.5", "1.5"), ("", None)])
def test_existing_installation_is_installed_over(build_setup, wine, existing_version, overwriting):
    folder = existing_installation(wine, existing_version)
    assert wine.run(wine.put_file(build_setup("plain"), SETUP), "/silent") == 1
    log = install_log(folder)
    assert "Install type: Reinstall\r\n" in log
    assert ("Overwriting version: " in log) == (overwriting is not None)
    if overwriting:
        assert f"Overwriting version: {overwriting}\r\n" in log
    assert not drive_c(wine, NEW_FOLDER).exists()


def test_existing_folder_is_read_from_the_install_path_value_when_the_key_has_none(build_setup, wine):
    folder = drive_c(wine, r"C:\Kept Elsewhere")
    folder.mkdir()
    reg_add(wine, UNINSTALL_KEY, "DisplayVersion", "1.0")
    reg_add(wine, r"HKLM\Software\Sequence Test", "Path", r"C:\Kept Elsewhere")
    setup = build_setup("path-value", install="install_path_value = 'HKLM\\Software\\Sequence Test\\Path'")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert "Overwriting version: 1.0\r\n" in install_log(folder)


def test_no_downgrade_below_refuses_an_older_package(build_setup, wine):
    folder = existing_installation(wine, "2.1", NoDowngradeBelow="2.0")
    setup = build_setup("older", version="1.9")
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert not (folder / "uninstall").exists()
    # Interactively the refusal follows the wizard's greeting.
    process = wine.start(wine.put_file(setup, SETUP))
    assert wine.read_window("setup.exe", timeout=20, press_id=NEXT_BUTTON) is not None, "no greeting page"
    box = wine.read_window("setup.exe", timeout=20, with_text="cannot replace it", press_text="OK")
    assert wine.wait(process) == 1
    assert box is not None, "no refusal"
    assert any("versions below 2.0 cannot replace it" in text for text in box.texts), box.texts
    assert not (folder / "uninstall").exists()


REGISTRY_FOLDER = r"HKCU\Software\Valdorine Sequence Test"


@pytest.mark.parametrize("value, message", [
    (None, f'Failed to obtain installation path from "{REGISTRY_FOLDER}"'),
    (r"C:\Nowhere\Here", rf'Installation path "C:\Nowhere\Here" obtained from "{REGISTRY_FOLDER}" does not exist.'),
])
def test_registry_folder_refusals_show_their_message(build_setup, wine, value, message):
    if value is not None:
        reg_add(wine, REGISTRY_FOLDER, None, value)
    setup = build_setup("registry", install_folder=REGISTRY_FOLDER,
                        ui="error_boxes_in_automatic_mode = true")
    code, texts = run_to_message(wine, setup, "/a")
    assert code == 1
    assert message in texts


def test_registry_folder_that_exists_is_the_installation_folder(build_setup, wine):
    drive_c(wine, r"C:\From Registry").mkdir()
    reg_add(wine, REGISTRY_FOLDER, None, r"C:\From Registry")
    setup = build_setup("registry", install_folder=REGISTRY_FOLDER)
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert "Install location: C:\\From Registry\r\n" in install_log(drive_c(wine, r"C:\From Registry"))


def test_failed_folder_creation_ends_in_the_failure_summary(build, build_setup, wine):
    # The shared folder lies below the Common Files folder of the installer's own bitness.
    program_files = r"C:\Program Files" if build.windows.name == "win64" else r"C:\Program Files (x86)"
    shared = program_files + r"\Common Files\Sequence Test"
    drive_c(wine, shared).parent.mkdir(parents=True, exist_ok=True)
    drive_c(wine, shared).write_text("a file where the shared folder belongs")
    assert wine.run(wine.put_file(build_setup("plain"), SETUP), "/silent") == 1
    log = install_log(drive_c(wine, NEW_FOLDER))
    assert f'Failed to create shared folder "{shared}": ' in log
    assert not log.endswith("Installation complete\r\n")


def notepad(wine):
    """Wine's Notepad, running with its window up."""
    process = wine.start("notepad")
    assert wine.read_window("notepad.exe", timeout=30) is not None
    return process


def autoclose(action: str) -> str:
    return f"""
[[autoclose]]
window_class = "Notepad"
program = "Notepad"
action = "{action}"
"""


@pytest.mark.parametrize("action", ["close", "terminate"])
def test_autoclose_ends_the_named_program_before_installing(build_setup, wine, action):
    editor = notepad(wine)
    setup = build_setup(f"autoclose-{action}", tables=autoclose(action))
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    wine.wait(editor, timeout=20)  # fails the scenario if Notepad still runs
    assert "Installation complete" in install_log(drive_c(wine, NEW_FOLDER))


def test_autoclose_asks_the_user_and_cancel_ends_the_run(build_setup, wine):
    editor = notepad(wine)
    setup = build_setup("autoclose-ask", tables=autoclose("ask"))
    process = wine.start(wine.put_file(setup, SETUP), "/a")
    window = wine.read_window("setup.exe", timeout=30, press_text="Cancel", window_class=DIALOG_CLASS)
    assert window is not None and any("Notepad" in t for t in window.texts), window
    assert wine.wait(process) == 1
    assert editor.poll() is None  # asking leaves the program running
    assert not (drive_c(wine, NEW_FOLDER) / "uninstall").exists()
