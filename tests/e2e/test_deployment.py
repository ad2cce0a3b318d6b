"""An installer as deployment tools and package managers meet it, under Wine: the opt-in exit codes
(/exitcodes) for success, a needed restart, a cancellation and a failure; a /d: folder on a drive
that does not exist, which must fail and register nothing; an upgrade that drops a file, then an
uninstallation that must leave nothing behind; and a package in English and the built-in German,
whose Language page the dialog driver answers. What landed is read from the prefix's drive, with
`reg query`, from Install.log and from Uninstall.DAT."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pytest

from wine import DIALOG_CLASS

SETUP = r"C:\downloads\setup.exe"
EXE = "setup.exe"
FOLDER = r"C:\Deploy Test"
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\DeployTest"
UNINSTALLER = FOLDER + r"\uninstall\uninstall.exe"
FORWARD, BACK_OUT, LANGUAGES = 1001, 1003, 1017
IDNO = 7
SUCCESS, RESTART_REQUIRED, USER_CANCELLED, FAILURE = 0, 3010, 1602, 1603


def build_setup(build, folder: Path, files: dict[str, str], extra: str = "", version: str = "1.0",
                name: str = "setup.exe") -> Path:
    """A product with the given files (name: content) and extra tables."""
    payload = folder / f"payload-{version}"
    payload.mkdir(exist_ok=True)
    for file, content in files.items():
        (payload / file).write_text(content)
    project = folder / f"deploy-{version}.toml"
    project.write_text(f"""
[product]
name = "Deploy Test"
version = "{version}"
uninstall_key = "DeployTest"

[install]
folder = '{FOLDER}'

{extra}

[[files]]
source = "{payload.name}"
""", encoding="utf-8")
    output = folder / name
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                   check=True, stdout=subprocess.DEVNULL)
    return output


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def registered(wine) -> bool:
    return wine.wait(wine.start("reg", "query", KEY, "/reg:64", stdout=wine.prefix.parent / "reg.txt")) == 0


def run_setup(wine, setup: Path, *arguments: str) -> int:
    return wine.run(wine.put_file(setup, SETUP), *arguments)


# Wine hands Linux only the low byte of an exit code (1603 arrives as 67); a Windows caller sees
# all of it. A batch file records the code as Windows reports it.
CODE_FILE = r"C:\exit-code.txt"


def start_recording_exit_code(wine, setup: Path, *arguments: str):
    program = wine.put_file(setup, SETUP)
    batch = drive_c(wine, r"C:\run-setup.bat")
    batch.write_text(f'"{program}" {" ".join(arguments)}\r\necho %ERRORLEVEL%> {CODE_FILE}\r\n')
    return wine.start("cmd", "/c", r"C:\run-setup.bat")


def recorded_exit_code(wine, process) -> int:
    wine.wait(process)  # cmd ends with the same code, cut down to its low byte
    return int(drive_c(wine, CODE_FILE).read_text().strip())


def windows_exit_code(wine, setup: Path, *arguments: str) -> int:
    return recorded_exit_code(wine, start_recording_exit_code(wine, setup, *arguments))


def install_log(wine) -> str:
    return (drive_c(wine, FOLDER) / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")


# /exitcodes changes the code of each outcome; without it every installation run ends with 1.
def test_exit_codes_of_a_completed_run_with_and_without_the_switch(build, tmp_path, wine):
    setup = build_setup(build, tmp_path, {"a.txt": "a"})
    assert run_setup(wine, setup, "/silent") == 1
    assert run_setup(wine, setup, "/silent", "/exitcodes") == SUCCESS
    assert (drive_c(wine, FOLDER) / "a.txt").read_text() == "a"


def test_a_failed_operation_gives_the_failure_code(build, tmp_path, wine):
    setup = build_setup(build, tmp_path, {"a.txt": "a", "blocked.txt": "b"})
    (drive_c(wine, FOLDER) / "blocked.txt").mkdir(parents=True)  # a folder where a file must go
    assert windows_exit_code(wine, setup, "/silent", "/exitcodes") == FAILURE
    assert (drive_c(wine, FOLDER) / "a.txt").read_text() == "a"
    assert "blocked.txt" in install_log(wine)


def test_a_cancelled_wizard_gives_the_cancellation_code(build, tmp_path, wine):
    setup = build_setup(build, tmp_path, {"a.txt": "a"})
    process = start_recording_exit_code(wine, setup, "/exitcodes")
    assert wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="This program installs Deploy Test",
                            press_id=BACK_OUT) is not None
    assert recorded_exit_code(wine, process) == USER_CANCELLED
    assert not (drive_c(wine, FOLDER) / "a.txt").exists()
    assert not registered(wine)


def test_a_restart_declined_gives_the_restart_code(build, tmp_path, wine):
    setup = build_setup(build, tmp_path, {"a.txt": "a"}, "restart = true\nask_restart_in_automatic_mode = true")
    process = start_recording_exit_code(wine, setup, "/a", "/exitcodes")
    question = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="Windows must be restarted", press_id=IDNO)
    assert question is not None
    assert recorded_exit_code(wine, process) == RESTART_REQUIRED
    assert (drive_c(wine, FOLDER) / "a.txt").read_text() == "a"


@pytest.mark.parametrize("mode", ["/silent", "/a"])
def test_a_folder_on_a_missing_drive_fails_and_registers_nothing(build, tmp_path, wine, mode):
    setup = build_setup(build, tmp_path, {"a.txt": "a"})
    assert windows_exit_code(wine, setup, mode, r"/d:Q:\Nowhere\Deploy", "/exitcodes") == FAILURE
    assert not registered(wine)
    assert not drive_c(wine, FOLDER).exists()
    assert run_setup(wine, setup, mode, r"/d:Q:\Nowhere\Deploy") == 1  # the default code is kept


def test_an_upgrade_that_drops_a_file_then_an_uninstall_leaves_nothing(build, tmp_path, wine):
    first = build_setup(build, tmp_path, {"kept.txt": "1", "dropped.txt": "only in 1.0"}, version="1.0",
                        name="setup-1.exe")
    second = build_setup(build, tmp_path, {"kept.txt": "2"}, version="2.0", name="setup-2.exe")
    assert run_setup(wine, first, "/silent", "/exitcodes") == SUCCESS
    assert run_setup(wine, second, "/silent", "/exitcodes") == SUCCESS
    installed = drive_c(wine, FOLDER)
    assert (installed / "kept.txt").read_text() == "2"
    assert (installed / "dropped.txt").exists()  # an upgrade does not delete what the new version lacks
    assert wine.run(UNINSTALLER, "/u:DeployTest", "/silent") == 0
    assert not (installed / "dropped.txt").exists() and not (installed / "kept.txt").exists()
    assert not registered(wine)


GERMAN_PACKAGE = """
[ui]
choose_folder_page = false
start_menu_page = false

[languages]
built_in = ["German"]
"""


def test_german_chosen_on_the_language_page_installs_with_german_texts(build, tmp_path, wine):
    setup = build_setup(build, tmp_path, {"a.txt": "a", "blocked.txt": "b"}, GERMAN_PACKAGE)
    (drive_c(wine, FOLDER) / "blocked.txt").mkdir(parents=True)
    process = wine.start(wine.put_file(setup, SETUP))

    language = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="Please choose the language",
                                select=(LANGUAGES, 1))
    assert language.control(LANGUAGES).items == ("English", "Deutsch")
    german = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="Bitte w\u00e4hlen Sie die Sprache",
                              press_id=FORWARD)
    assert german.caption == "Sprache"
    greeting = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="Dieses Programm installiert Deploy Test",
                                press_id=FORWARD)
    assert greeting.caption == "Willkommen beim Setup von Deploy Test"
    problems = wine.read_window(EXE, window_class=DIALOG_CLASS,
                                with_text="Einige Teile von Deploy Test konnten nicht installiert werden",
                                press_id=IDNO)
    assert problems.caption == "Probleme bei der Installation"
    wine.wait(process)

    assert (drive_c(wine, FOLDER) / "a.txt").read_text() == "a"
    assert "Fehlgeschlagen:" in install_log(wine)
    record = (drive_c(wine, FOLDER) / "uninstall" / "Uninstall.DAT").read_bytes()
    assert "~34\r\nDeploy Test wurde von diesem Computer entfernt.\r\n".encode() in record
    assert "~53\r\nM\u00f6chten Sie Deploy Test mit allen Bestandteilen".encode() in record
