"""The author's batch commands under Wine: packages from valdorine-build with [batch.NAME] tables,
run by the real installer in automatic or silent mode. Checked through what the batches leave on
drive C:, their captured output in Install.log, and a copy that a batch makes of its own file."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pytest

from test_install_sequence import drive_c, install_log, reg_add

SETUP = r"C:\downloads\setup.exe"
LAUNCHER = r"C:\downloads\launch.bat"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BatchTest"
FOLDER = r"C:\Batch Test"


def batch_table(name: str, commands: str, *, logged: bool | None = True, extra: str = "") -> str:
    """A [batch.NAME] table with a hidden console; `logged` None leaves the key out (the exit
    batch has none)."""
    escaped = commands.replace("\\", "\\\\").replace('"', '\\"').replace("\r\n", "\\r\\n")
    logged_line = "" if logged is None else f"logged = {str(logged).lower()}\n"
    return f'[batch.{name}]\ncommands = "{escaped}"\nhidden = true\n{logged_line}{extra}\n'


@pytest.fixture
def build_setup(build, tmp_path):
    """Builds a setup executable of a product with one file and the batch tables given."""
    def build_one(*batches: str, name: str = "Batch Test", folder: str = FOLDER) -> Path:
        (tmp_path / "payload.txt").write_text("payload\n")
        project = tmp_path / "project.toml"
        project.write_text(f"""
[product]
name = "{name}"
version = "2.0"
uninstall_key = "BatchTest"

[install]
folder = '{folder}'

[[files]]
source = "payload.txt"

{"".join(batches)}
""", encoding="utf-8")
        output = tmp_path / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                       check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def run_from_batch(wine, setup: Path, arguments: str) -> int:
    """Runs the installer from a batch file, which hands the quotes of /b1: and its kin to the
    installer as they are written (a command line made from Unix arguments escapes them)."""
    wine.put_file(setup, SETUP)
    launcher = drive_c(wine, LAUNCHER)
    launcher.write_bytes(f"@{SETUP} {arguments}\r\n@exit /b %errorlevel%\r\n".encode("cp1252"))
    return wine.run("cmd", "/c", LAUNCHER)


def test_logged_batches_capture_their_output_and_the_command_line_adds_to_them(build_setup, wine):
    setup = build_setup(
        batch_table("pre_install", "set ProductName\r\nset Automatic\r\nset OSName\r\necho existing=%Existing%\r\npause"),
        batch_table("post_install", 'echo after > "%InstallDir%\\post.txt"', logged=False),
        batch_table("exit", "echo leaving", logged=None),
        name="Salt & Pepper 100%")
    code = run_from_batch(wine, setup, '/silent /b1:"echo added by `b1`~~echo second" '
                                       '/b3:"echo exit > C:\\exit-batch.txt"')
    assert code == 1
    log = install_log(drive_c(wine, FOLDER))
    assert ("\r\nRunning Pre-Installation Batch...\r\n"
            "ProductName=Salt & Pepper 100%\r\nAutomatic=1\r\nOSName=10\r\nexisting=0\r\n"
            'added by "b1"\r\nsecond\r\n\r\n') in log
    assert "Post-Installation Batch" not in log
    assert (drive_c(wine, FOLDER) / "post.txt").read_text().strip() == "after"
    assert drive_c(wine, r"C:\exit-batch.txt").read_text().strip() == "exit"
    leftovers = {"SETUPBAT.BAT", "qx_batch.log"} & {p.name for p in drive_c(wine, FOLDER).iterdir()}
    assert not leftovers


def test_folder_outside_code_page_1252_gets_a_utf8_batch_that_runs(build_setup, wine):
    # Wine's command interpreter reads batch lines in the OEM code page whatever "chcp" says, so
    # the commands here reach the folder through the batch's own path, which comes from the wide
    # command line; the definitions are checked in a copy that the batch makes of itself.
    folder = "C:\\Batch \u03A9mega"
    setup = build_setup(batch_table("pre_install", 'copy "%~f0" C:\\batch-copy.bat >nul\r\necho ran> "%~dp0ran.txt"'),
                        folder=folder)
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    batch = drive_c(wine, r"C:\batch-copy.bat").read_bytes()
    assert batch.startswith(b"@chcp 65001 >nul\r\n@echo off\r\nSET Automatic=1\r\n")
    assert f'SET "InstallDir={folder}"\r\n'.encode("utf-8") in batch
    assert batch.endswith(b'echo ran> "%~dp0ran.txt"\r\n')
    assert (drive_c(wine, folder) / "ran.txt").read_text().strip() == "ran"


@pytest.mark.parametrize("existing_version, existing, ran, skipped", [
    ("2.0", "1", "Reinstall Batch", "Upgrade Batch"),
    ("1.0", "2", "Upgrade Batch", "Reinstall Batch"),
])
def test_an_earlier_installation_gets_the_upgrade_or_the_reinstall_batch(build_setup, wine, existing_version, existing,
                                                                         ran, skipped):
    drive_c(wine, FOLDER).mkdir(parents=True)
    for name, data in {"InstallLocation": FOLDER, "DisplayVersion": existing_version,
                       "UninstallString": r"C:\uninstall.exe"}.items():
        reg_add(wine, UNINSTALL_KEY, name, data)
    setup = build_setup(
        batch_table("upgrade", "echo upgrade from %OldVersion% existing=%Existing%"),
        batch_table("reinstall", "echo reinstall of %OldVersion% existing=%Existing%",
                    extra="only_for_same_version = true"))
    assert wine.run(wine.put_file(setup, SETUP), "/a") == 1
    log = install_log(drive_c(wine, FOLDER))
    word = ran.split()[0].lower()
    assert f"\r\nRunning {ran}...\r\n{word} " in log
    assert f" {existing_version} existing={existing}\r\n\r\n" in log
    assert skipped not in log
