"""The uninstaller under Wine: a product written by valdorine-build is installed with /silent and
removed again through the command that its uninstall key registers. What the uninstallation leaves
is checked on the prefix's drive, with `reg query` in the 64-bit view, in Uninstall.DAT and in the
message boxes that the dialog driver reads."""

from __future__ import annotations

import shlex
import subprocess
import time
from pathlib import Path

import pytest

from test_file_installation import hold_file
from test_product_registration import drive_c

SETUP = r"C:\downloads\setup.exe"
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\UninstallTest"
FOLDER = r"C:\Uninstall Test"
UNINSTALLER = FOLDER + r"\uninstall\uninstall.exe"
PATH_VALUE_KEY = r"HKLM\Software\Uninstall Test"
PRODUCT_KEYS = [r"HKLM\Software\Uninstall Test Co", r"HKCU\Software\Uninstall Test Co"]
HELD = FOLDER + r"\data\held.txt"
FAILED_FILE_PREFIX = "Could not remove:"
FIRST_BATCH_MARK = r"C:\first-batch.txt"
LAST_BATCH_MARK = r"C:\last-batch.txt"
ENVIRONMENT = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment"


def project(folder: Path, uninstall_options: str, tables: str) -> Path:
    (folder / "data").mkdir()
    (folder / "payload.txt").write_text("payload\n")
    (folder / "data" / "held.txt").write_text("held\n")
    (folder / "data" / "other.txt").write_text("other\n")
    path = folder / "uninstall.toml"
    path.write_text(f"""
[product]
name = "Uninstall Test"
version = "1.0"
uninstall_key = "UninstallTest"
registry_key = 'Uninstall Test Co\\Product'

[install]
folder = '{FOLDER}'
install_path_value = 'HKLM\\Software\\Uninstall Test\\Path'
uninstall_install_path_value = true
add_to_path = true

[batch.uninstall_first]
commands = 'echo %InstallDir%> {FIRST_BATCH_MARK}'
hidden = true

[batch.uninstall_last]
commands = 'echo %Version%> {LAST_BATCH_MARK}'
hidden = true

[uninstall]
{uninstall_options}

[strings]
58 = "{FAILED_FILE_PREFIX}"

[[files]]
source = "payload.txt"

[[files]]
source = "data/**"
folder = "data"

{tables}
""")
    return path


def build_setup(build, folder: Path, uninstall_options: str = "", tables: str = "") -> Path:
    output = folder / "setup.exe"
    subprocess.run([str(build.builder), "build", str(project(folder, uninstall_options, tables)), "--stub",
                    str(build.installer), "-o", str(output)], check=True, stdout=subprocess.DEVNULL)
    return output


@pytest.fixture
def setup_file(build, tmp_path) -> Path:
    return build_setup(build, tmp_path)


def reg_output(wine, *arguments: str, view: str = "/reg:64") -> tuple[int, str]:
    output = wine.prefix.parent / "reg.txt"
    code = wine.wait(wine.start("reg", *arguments, view, stdout=output))
    return code, output.read_text(encoding="utf-8", errors="replace") if output.exists() else ""


def key_exists(wine, key: str, view: str = "/reg:64") -> bool:
    return reg_output(wine, "query", key, view=view)[0] == 0


def add_product_settings(wine, view: str) -> None:
    """What the product itself keeps below its registry key, for the machine and the user (in the
    32-bit view, which a product that is not 64-bit uses whatever the installer's own bitness)."""
    for key in PRODUCT_KEYS:
        assert reg_output(wine, "add", key + r"\Product\Settings", "/v", "Size", "/d", "1", "/f", view=view)[0] == 0


def quiet_uninstall_command(wine, key: str = KEY) -> list[str]:
    code, text = reg_output(wine, "query", key, "/v", "QuietUninstallString")
    assert code == 0, text
    command = text.split("REG_SZ", 1)[1].strip()
    return shlex.split(command.replace("\\", "\\\\"))


def system_path(wine) -> str:
    return reg_output(wine, "query", ENVIRONMENT, "/v", "Path")[1]


def install(wine, setup: Path) -> None:
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert drive_c(wine, UNINSTALLER).is_file()


def uninstall(wine, key: str = KEY) -> int:
    program, *arguments = quiet_uninstall_command(wine, key)
    return wine.run(program, *arguments, "/silent")


def wait_until_gone(path: Path, seconds: float = 20) -> bool:
    deadline = time.monotonic() + seconds
    while path.exists() and time.monotonic() < deadline:
        time.sleep(0.25)
    return not path.exists()


def test_complete_uninstallation_keeps_only_what_the_user_added(setup_file, wine):
    install(wine, setup_file)
    assert reg_output(wine, "query", PATH_VALUE_KEY, "/v", "Path")[0] == 0
    assert FOLDER in system_path(wine)
    add_product_settings(wine, "/reg:32")
    user_file = drive_c(wine, FOLDER + r"\notes\mine.txt")
    user_file.parent.mkdir()
    user_file.write_text("the user's own file")

    assert uninstall(wine) == 0

    folder = drive_c(wine, FOLDER)
    assert not key_exists(wine, KEY)
    for key in PRODUCT_KEYS:
        assert not key_exists(wine, key, view="/reg:32"), key
    assert reg_output(wine, "query", PATH_VALUE_KEY, "/v", "Path")[0] != 0
    assert FOLDER not in system_path(wine)
    assert drive_c(wine, FIRST_BATCH_MARK).read_text().strip() == FOLDER
    assert drive_c(wine, LAST_BATCH_MARK).read_text().strip() == "1.0"
    assert not (folder / "payload.txt").exists()
    assert not (folder / "data").exists()
    assert not (folder / "uninstall" / "Uninstall.DAT").exists()
    assert user_file.read_text() == "the user's own file"
    assert wait_until_gone(drive_c(wine, UNINSTALLER)), "the uninstaller did not remove itself"
    assert wait_until_gone(folder / "uninstall")
    assert folder.is_dir()  # it still holds the user's folder


def test_file_in_use_stays_recorded_until_a_second_uninstallation(setup_file, wine, build, tmp_path):
    install(wine, setup_file)
    hold_file(wine, build, tmp_path, HELD)

    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    assert wine.read_window("uninstall.exe", timeout=20, press_text="&Yes") is not None
    warning = wine.read_window("uninstall.exe", timeout=30, press_text="OK")
    assert wine.wait(process) == 0
    assert warning is not None and any(f"{FAILED_FILE_PREFIX} {HELD}" in text for text in warning.texts)

    folder = drive_c(wine, FOLDER)
    assert drive_c(wine, HELD).exists()
    assert not (folder / "payload.txt").exists() and not (folder / "data" / "other.txt").exists()
    assert key_exists(wine, KEY)
    data = (folder / "uninstall" / "Uninstall.DAT").read_bytes().decode("latin-1")
    listed = data.split("\r\n\r\n\r\n[Strings]", 1)[0].split("\r\n")
    files = [line for line in listed if line and line[0] not in "~!^*"]
    assert files == [HELD]
    assert all(FOLDER.lower().startswith(line[1:].lower()) or line[1:].lower().startswith(FOLDER.lower())
               for line in listed if line.startswith("~"))
    assert FOLDER + r"\data" in [line[1:] for line in listed if line.startswith("~")]
    assert not drive_c(wine, FOLDER + r"\uninstall\Install.log").exists()
    assert not drive_c(wine, LAST_BATCH_MARK).exists()  # the last batch waits for a complete run

    wine.run("taskkill", "/f", "/im", "hold-file.exe")  # releases the file
    assert uninstall(wine) == 0
    assert not drive_c(wine, HELD).exists()
    assert not (folder / "data").exists()
    assert not key_exists(wine, KEY)
    assert drive_c(wine, LAST_BATCH_MARK).exists()


def test_unknown_product_is_named_in_the_message(build, wine):
    installer = wine.put_file(build.installer, SETUP)
    process = wine.start(installer, '/u:missing')
    window = wine.read_window("setup.exe", timeout=20, press_text="OK")
    assert wine.wait(process) == 0
    assert window is not None and any("No product named 'missing' is installed." in text for text in window.texts)


def test_blank_install_location_removes_nothing(setup_file, wine):
    install(wine, setup_file)
    assert reg_output(wine, "add", KEY, "/v", "InstallLocation", "/d", "", "/f")[0] == 0
    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    window = wine.read_window("uninstall.exe", timeout=20, press_text="OK")
    assert wine.wait(process) == 0
    assert window is not None
    assert any("The uninstall information for Uninstall Test is corrupt." in text for text in window.texts)
    assert drive_c(wine, FOLDER + r"\payload.txt").is_file()
    assert drive_c(wine, HELD).is_file()
    assert key_exists(wine, KEY)


def test_no_at_the_confirmation_ends_with_code_1_and_removes_nothing(setup_file, wine):
    install(wine, setup_file)
    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    assert wine.read_window("uninstall.exe", timeout=20, press_text="&No") is not None
    assert wine.wait(process) == 1
    assert drive_c(wine, FOLDER + r"\payload.txt").is_file()
    assert (drive_c(wine, FOLDER) / "uninstall" / "Uninstall.DAT").is_file()
    assert key_exists(wine, KEY)


def test_automatic_product_asks_nothing_and_removes_everything(build, tmp_path, wine):
    install(wine, build_setup(build, tmp_path, "automatic = true\ncompletion_message = true"))
    assert wine.run(UNINSTALLER, "/u:UninstallTest") == 0  # no question or message waits for an answer
    assert not key_exists(wine, KEY)
    assert not drive_c(wine, FOLDER + r"\payload.txt").exists()


def test_completion_message_after_the_confirmation(build, tmp_path, wine):
    install(wine, build_setup(build, tmp_path, 'completion_message = true'))
    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    question = wine.read_window("uninstall.exe", timeout=20, press_text="&Yes")
    message = wine.read_window("uninstall.exe", timeout=30, press_text="OK")
    assert wine.wait(process) == 0
    assert question is not None and message is not None
    assert any("Uninstall Test has been removed from this computer." in text for text in message.texts)
    assert not key_exists(wine, KEY)


def test_deletion_left_for_the_restart_ends_with_the_restart_question(build, tmp_path, wine):
    leftover_deletion = """
[[conditional_delete]]
pattern = 'leftover.log'
when = ["uninstall"]
at_restart = "always"
"""
    install(wine, build_setup(build, tmp_path, tables=leftover_deletion))
    leftover = drive_c(wine, FOLDER + r"\leftover.log")
    leftover.write_text("written by the product")

    process = wine.start(UNINSTALLER, "/u:UninstallTest")
    assert wine.read_window("uninstall.exe", timeout=20, press_text="&Yes") is not None
    restart = wine.read_window("uninstall.exe", timeout=30, press_text="&No")
    assert wine.wait(process) == 0
    assert restart is not None
    assert any("Windows must be restarted to finish removing Uninstall Test." in text for text in restart.texts)
    assert leftover.exists()  # deleted only at the restart
    pending = reg_output(wine, "query", r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager",
                         "/v", "PendingFileRenameOperations")[1]
    assert FOLDER + r"\leftover.log" in pending
