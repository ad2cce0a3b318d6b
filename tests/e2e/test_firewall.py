"""Firewall exceptions under Wine, whose firewall objects keep nothing: the scenario registers
firewall-recorder.dll as the firewall manager's server in its prefix, and the recorder writes down
every port and program that it is asked to open or close."""

from __future__ import annotations

import struct
from pathlib import Path

from test_product_registration import drive_c
from test_registry_entries import build_project
from test_uninstaller import reg_output, uninstall

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Firewall Test"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FirewallTest"
RECORDER = r"C:\tools\firewall-recorder.dll"
RECORD = r"C:\firewall-calls.txt"
# The firewall manager, an open port and an authorized program.
CLASSES = ["{304CE942-6E39-40D8-943A-B913C40C9CD4}", "{0CA545C6-37AD-4A6C-BF92-9F7610067EF5}",
           "{EC9846B3-2762-4A6B-A214-6ACB603462D2}"]
TCP, UDP = 6, 17

RULES = """
[[firewall]]
port = 8080
name = "Web Port"
protocols = ["tcp", "udp"]

[[firewall]]
port = 9000
name = "Kept Port"
protocols = ["tcp"]
keep_at_uninstall = true

[[firewall]]
program = "viewer.exe"

[[firewall]]
program = "missing.exe"
name = "Missing"
"""


def build_setup(build, folder: Path) -> Path:
    (folder / "viewer.exe").write_bytes(b"MZ")
    return build_project(build, folder, "Firewall Test", f"""
[[files]]
source = "viewer.exe"
{RULES}""")


def register_recorder(wine, build) -> None:
    """The recorder replaces Wine's firewall classes in the registry view of its own bitness."""
    dll = build.windows / "firewall-recorder.dll"
    image = dll.read_bytes()
    machine = struct.unpack_from("<H", image, struct.unpack_from("<I", image, 0x3C)[0] + 4)[0]
    view = "/reg:64" if machine == 0x8664 else "/reg:32"
    wine.put_file(dll, RECORDER)
    for class_id in CLASSES:
        key = rf"HKLM\Software\Classes\CLSID\{class_id}\InprocServer32"
        assert reg_output(wine, "add", key, "/ve", "/d", RECORDER, "/f", view=view)[0] == 0
        assert reg_output(wine, "add", key, "/v", "ThreadingModel", "/d", "Both", "/f", view=view)[0] == 0


def recorded(wine) -> list[str]:
    path = drive_c(wine, RECORD)
    return path.read_text(encoding="utf-8").splitlines() if path.exists() else []


def test_ports_and_programs_are_opened_and_closed_again(build, wine, tmp_path):
    register_recorder(wine, build)

    assert wine.run(wine.put_file(build_setup(build, tmp_path), SETUP), "/silent") == 1

    folder = drive_c(wine, FOLDER)
    log = next(folder.rglob("Install.log")).read_text(encoding="utf-8", errors="replace")
    program = FOLDER + r"\viewer.exe"
    assert "Added firewall exception: UDP port 8080\n" in log, log
    assert f'Failed to add firewall exception for "{FOLDER}\\missing.exe": file does not exist' in log
    assert recorded(wine) == [
        f"add port 8080 {TCP} Web Port",
        f"add port 8080 {UDP} Web Port",
        f"add port 9000 {TCP} Kept Port",
        f"add program {program} Firewall Test",  # an empty name is the product's
    ]
    data = next(folder.rglob("Uninstall.DAT")).read_bytes().decode("utf-8")
    section = data.split("[Firewall]\r\n", 1)[1].split("\r\n\r\n", 1)[0].splitlines()
    assert section == ["8080;Web Port;3;0", "viewer.exe;;0;0"]

    assert uninstall(wine, UNINSTALL_KEY) == 0

    # The kept port stays open; the others are closed.
    assert recorded(wine)[4:] == [f"remove port 8080 {TCP}", f"remove port 8080 {UDP}", f"remove program {program}"]
