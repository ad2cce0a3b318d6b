"""The crash path under Wine, through the crash-test build of the installer, which divides by zero
on the main thread once the installation has its uninstall data folder: the crash dialog with the
report, the install log with the crash, and the problem report sent on request to a loopback server
on the port that build names."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pytest

from loopback_http import RecordingServer, form_fields
from test_progress_summary import near, pixel, png_pixels

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Program Files (x86)\Crash Test"
REPORT_PORT = 48150  # the problem-report endpoint of the crash-test build

INFORM_US, EXIT, APOLOGY, REPORT, COPY_REPORT = 2700, 2701, 2702, 2703, 2704
# The progress page is a dialog too: the crash dialog is the one with this text.
CRASH_DIALOG_TEXT = "Copy Report"
SELECTION = (48, 150, 250)  # the prefix's colour of selected text


@pytest.fixture
def crash_setup(build, tmp_path) -> Path:
    (tmp_path / "payload.txt").write_text("payload\n")
    project = tmp_path / "crash.toml"
    project.write_text("""
[product]
name = "Crash Test"
version = "1.0"
uninstall_key = "CrashTest"

[install]
folder = 'Crash Test'

[[files]]
source = "payload.txt"
""")
    output = tmp_path / "setup.exe"
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.windows / "ValdorineSetupCrashTest.exe"),
                    "-o", str(output)], check=True, stdout=subprocess.DEVNULL)
    return output


def crash_log(wine) -> str:
    path = wine.prefix.joinpath("drive_c", *FOLDER.split("\\")[1:], "uninstall", "Install.log")
    return path.read_bytes().decode("utf-8-sig")


def control_text(window, control_id: int) -> str:
    return next(control.text for control in window.controls if control.id == control_id)


def test_division_by_zero_is_reported_in_the_dialog_and_the_log(crash_setup, wine):
    process = wine.start(wine.put_file(crash_setup, SETUP), "/a")
    dialog = wine.read_window("setup.exe", timeout=30, with_text=CRASH_DIALOG_TEXT, press_id=EXIT)
    assert dialog is not None, "no crash dialog"
    assert dialog.caption == "Illegal Operation"
    assert "Please report this problem to Quenmarch" in control_text(dialog, APOLOGY)
    report = control_text(dialog, REPORT)
    assert report.startswith("Exception: Integer divide by zero.\r\n\r\nProduct: Valdorine Setup 42.1.2 Installer\r\n")
    for line in ("\r\nException code: ", "\r\nModule: ", "\r\nThread ID: ", "\r\nCPU Registers:\r\n",
                 "\r\n\r\nModules:\r\n", "\r\nCall Stack:\r\n"):
        assert line in report
    assert {"Inform Us", "Copy Report", "Exit"} <= set(dialog.buttons)
    # The focus is on a button: none of the report's text is shown selected. The report fills the
    # band between the apology and the e-mail label (the caption bar has nearly the selection colour).
    image = png_pixels(wine.log.with_suffix(".png"))
    width, height, _ = image
    selected = [1 for y in range(height // 5, height // 2) for x in range(width // 20, width * 9 // 10)
                if near(pixel(image, x, y), SELECTION)]
    assert not selected, f"{len(selected)} pixels of the report in the selection colour"
    assert wine.wait(process) != 0
    log = crash_log(wine)
    assert "\r\n\r\nINSTALLER CRASHED!\r\nException: Integer divide by zero.\r\n" in log


def test_silent_crash_writes_the_log_and_waits_for_nobody(crash_setup, wine):
    assert wine.run(wine.put_file(crash_setup, SETUP), "/silent", timeout=45) != 0
    assert "INSTALLER CRASHED!\r\nException: Integer divide by zero." in crash_log(wine)


def test_inform_us_posts_the_problem_report(crash_setup, wine):
    server = RecordingServer(REPORT_PORT)
    try:
        process = wine.start(wine.put_file(crash_setup, SETUP), "/a")
        assert wine.read_window("setup.exe", timeout=30, with_text=CRASH_DIALOG_TEXT, press_id=INFORM_US) is not None
        wine.wait(process)
        requests = server.wait_for(1, timeout=5)
    finally:
        server.close()
    assert len(requests) == 1
    request = requests[0]
    assert (request.method, request.path, request.version) == ("POST", "/problem-report", "HTTP/1.0")
    fields = form_fields(request)
    assert list(fields) == ["from", "body", "subject", "headers"]
    assert fields["from"] == b"support@quenmarch.com"
    assert fields["body"].startswith(b"Exception: Integer divide by zero.\r\n")
    assert fields["subject"] == b"Exception - Installer 42.1.2: setup.exe"
    assert fields["headers"] == b"X-Quenmarch-Internal: 2\r\n"  # no e-mail address was given
