"""Web notifications under Wine: a loopback HTTP server started by the scenario receives what one
installation sends (start, begin, completion of each kind, cancel, error), with the tokens filled in
and encoded; a server that never answers holds up the end of the run by at most the time-out."""

from __future__ import annotations

import re
import subprocess
from pathlib import Path
from urllib.parse import parse_qs, urlsplit

import pytest

from loopback_http import RecordingServer, SilentServer, form_fields

SETUP = r"C:\downloads\setup.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NotifyTest"
FOLDER = r"C:\Program Files (x86)\Notify Test"
EVENTS = ("start", "begin", "install", "upgrade", "downgrade", "reinstall", "cancel", "error")
TOKENS = "v=%version%&s=%Session%&os=%OS%&ma=%OSMajor%&mi=%OSMinor%&n=%OSName%&d=%OSDescription%&srv=%OSServer%"


@pytest.fixture
def server():
    server = RecordingServer()
    yield server
    server.close()


@pytest.fixture
def build_setup(build, tmp_path):
    def build_one(url_of, *, version: str = "2.0", install: str = "") -> Path:
        (tmp_path / "payload.txt").write_text("payload\n")
        notify = "\n".join(f'{event} = "{url_of(event)}"' for event in EVENTS)
        project = tmp_path / "notify.toml"
        project.write_text(f"""
[product]
name = "Notify Test"
version = "{version}"
uninstall_key = "NotifyTest"

[install]
folder = 'Notify Test'
{install}

[notify]
{notify}

[[files]]
source = "payload.txt"
""")
        output = tmp_path / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                       check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def events(requests) -> list[str]:
    return [urlsplit(request.path).path.strip("/") for request in requests]


def install_log(wine, folder: str = FOLDER) -> str:
    return (drive_c(wine, folder) / "uninstall" / "Install.log").read_bytes().decode("utf-8-sig")


def test_new_installation_sends_start_begin_and_install_with_every_token_filled(server, build_setup, wine):
    setup = build_setup(lambda event: server.url(f"/{event}?{TOKENS}"))
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    requests = server.wait_for(3, timeout=5)
    assert events(requests) == ["start", "begin", "install"]
    assert all(request.method == "GET" and request.body == b"" for request in requests)
    # The run is one session: every request names the same one.
    queries = [parse_qs(urlsplit(request.path).query, keep_blank_values=True) for request in requests]
    assert len({query["s"][0] for query in queries}) == 1
    query = queries[0]
    assert re.fullmatch(r"[0-7][0-9A-F]{15}", query["s"][0])
    assert query["v"] == ["2.0"]
    assert query["os"] == ["48"] and query["ma"] == ["10"] and query["mi"] == ["0"] and query["srv"] == ["0"]
    assert query["n"] == ["10"]
    assert query["d"][0].startswith("WINE ") and "Windows 10" in query["d"][0]
    # Spaces and reserved characters of a value arrive encoded, never raw.
    raw = urlsplit(requests[0].path).query
    assert " " not in raw and "%20" in raw
    assert "Installation complete" in install_log(wine)


# Versions are classified in automatic mode; silent mode takes the classification away (with the
# other questions of word 2), so there every existing installation is a reinstall.
@pytest.mark.parametrize("switch, existing_version, event", [
    ("/a", "1.0", "upgrade"), ("/a", "3.0", "downgrade"), ("/a", "2.0", "reinstall"), ("/silent", "1.0", "reinstall")])
def test_completion_notification_names_the_kind_of_installation(server, build_setup, wine, switch, existing_version,
                                                                event):
    folder = r"C:\Existing Notify Test"
    drive_c(wine, folder).mkdir(parents=True)
    for name, data in {"InstallLocation": folder, "DisplayVersion": existing_version,
                       "UninstallString": r"C:\uninstall.exe"}.items():
        assert wine.run("reg", "add", UNINSTALL_KEY, "/v", name, "/d", data, "/f", "/reg:64") == 0
    setup = build_setup(lambda name: server.url(f"/{name}"))
    assert wine.run(wine.put_file(setup, SETUP), switch) == 1
    assert events(server.wait_for(3, timeout=5)) == ["start", "begin", event]


def test_cancelled_run_sends_the_cancel_notification(server, build_setup, wine):
    setup = build_setup(lambda event: server.url(f"/{event}"), install='password = "secret"')
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    assert events(server.wait_for(2, timeout=5)) == ["start", "cancel"]


def test_failed_run_posts_the_problem_description(server, build_setup, wine):
    # A folder where the file belongs: the file cannot be installed, the run fails.
    (drive_c(wine, FOLDER) / "payload.txt").mkdir(parents=True)
    setup = build_setup(lambda event: server.url(f"/{event}"))
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1
    requests = server.wait_for(4, timeout=5)
    assert events(requests) == ["start", "begin", "install", "error"]
    error = requests[-1]
    assert error.method == "POST" and error.version == "HTTP/1.0"
    fields = form_fields(error)
    assert list(fields) == ["problems"]
    problems = fields["problems"].decode("utf-8")
    assert problems.startswith("Notify Test 2.0\r\nInstaller version: 42.1.2\r\nWINE ")
    assert "payload.txt" in problems
    assert "*** FAILURE SUMMARY ***" in install_log(wine)


def test_server_that_never_answers_delays_the_end_by_at_most_the_time_out(build_setup, wine):
    silent = SilentServer()
    try:
        # Three requests that would each wait for the full time-out: the end of the run waits once.
        setup = build_setup(lambda event: silent.url(f"/{event}"))
        assert wine.run(wine.put_file(setup, SETUP), "/silent", timeout=55) == 1
        assert silent.connections >= 1
    finally:
        silent.close()
    assert install_log(wine).endswith("Installation complete\r\n")
