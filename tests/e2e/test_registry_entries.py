"""Registry entries under Wine: a product whose [registry] table holds every line shape, type and
action is installed with /silent and uninstalled again. `reg query` reads what landed; the product
is not 64-bit, so its machine keys are in the 32-bit view."""

from __future__ import annotations

import re
import subprocess
import time
from pathlib import Path

from test_product_registration import drive_c
from test_uninstaller import reg_output, uninstall

SETUP = r"C:\downloads\setup.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\RegistryTest"
FOLDER = r"C:\Registry Test"
PRODUCT = r"Software\Registry Test Co"
VALUES = r"HKLM\Software\Registry Test Co\Values"
EMPTY_KEY = r"HKLM\Software\Registry Test Co\Empty Key"
SHARED = r"HKCU\Software\Registry Test Shared"
ALL_USERS = r"HKCU\Software\Registry Test All"
MERGED = r"HKCU\Software\Registry Test Merged"

ENTRIES = r"""
[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Empty Key'

[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Values'
value = "Home"
data = '%InstallDir%\bin'

[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Values'
value = "Unexpanded"
type = "expand-string"
data = '%InstallDir%\bin'

[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Values'
value = "Blob"
type = "binary"
data = "0A 0b ff"

[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Values'
value = "Count"
type = "dword"
data = "4096"

[[registry.entries]]
key = 'HKLM\Software\Registry Test Co\Values'
value = "Big"
type = "qword"
data = "0x100000000"

[[registry.entries]]
key = 'HKCU\Software\Registry Test Shared'
value = "Existing"
data = "from the installer"
action = "write-if-absent"

[[registry.entries]]
key = 'HKCU\Software\Registry Test Shared'
value = "Added"
data = "from the installer"

[[registry.entries]]
key = 'HKCU\Software\Registry Test Shared'
value = "Kept"
data = "stays after uninstalling"
remove_at_uninstall = false

[[registry.entries]]
key = 'HKCU\Software\Registry Test Shared'
value = "Obsolete"
action = "delete"
remove_at_uninstall = false

[[registry.entries]]
key = 'HKAU\Software\Registry Test All'
value = "Everyone"
data = "every profile"
"""

MERGE_FILE = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Registry Test Merged]\r\n\"Merged\"=\"yes\"\r\n"


def build_project(build, folder: Path, product: str, tables: str, product_settings: str = "") -> Path:
    r"""setup.exe in `folder` for the product named, installed to C:\<product>, with the tables given
    (files named in them lie in `folder`); the uninstall key is the name without blanks."""
    project = folder / "project.toml"
    project.write_text(f"""
[product]
name = "{product}"
version = "1.0"
uninstall_key = "{product.replace(' ', '')}"
{product_settings}

[install]
folder = 'C:\\{product}'
{tables}
""")
    output = folder / "setup.exe"
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                   check=True, stdout=subprocess.DEVNULL)
    return output


def build_setup(build, folder: Path) -> Path:
    (folder / "payload.txt").write_text("payload\n")
    (folder / "merge.reg").write_bytes(MERGE_FILE.encode("ascii"))
    return build_project(build, folder, "Registry Test", f"""
[registry]
merge_file = "merge.reg"

[[files]]
source = "payload.txt"
{ENTRIES}""", product_settings="registry_key = 'Registry Test Co'")


def values(wine, key: str, view: str = "/reg:32") -> dict[str, tuple[str, str]] | None:
    """The values of one key as `reg query` prints them (name -> type, data); None without the key."""
    code, text = reg_output(wine, "query", key, view=view)
    if code != 0:
        return None
    found = {}
    for line in text.splitlines():
        match = re.match(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$", line)
        if match:
            found[match.group(1)] = (match.group(2), match.group(3))
    return found


def exported(wine, key: str) -> str:
    """The key as `reg export` writes it (a .reg file in UTF-16)."""
    target = r"C:\exported.reg"
    assert reg_output(wine, "export", key, target, "/y", view="/reg:32")[0] == 0
    return drive_c(wine, target).read_bytes().decode("utf-16")


def add_value(wine, key: str, name: str, data: str) -> None:
    assert reg_output(wine, "add", key, "/v", name, "/d", data, "/f")[0] == 0


def wait_for(condition, seconds: float = 20) -> bool:
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.25)
    return condition()


def test_entries_land_as_written_and_uninstall_leaves_what_was_there(build, wine, tmp_path):
    add_value(wine, SHARED, "Existing", "the user's")
    add_value(wine, SHARED, "Obsolete", "old")
    add_value(wine, SHARED, "Untouched", "the user's")
    before = values(wine, SHARED)

    assert wine.run(wine.put_file(build_setup(build, tmp_path), SETUP), "/silent") == 1

    assert values(wine, VALUES) == {
        "Home": ("REG_SZ", FOLDER + r"\bin"),
        "Unexpanded": ("REG_EXPAND_SZ", r"%InstallDir%\bin"),
        "Blob": ("REG_BINARY", "0A0BFF"),
        "Count": ("REG_DWORD", "0x1000"),
        "Big": ("REG_QWORD", "(null)"),  # Wine's reg query does not print 64-bit numbers
    }
    assert '"Big"=hex(b):00,00,00,00,01,00,00,00' in exported(wine, VALUES)
    assert values(wine, VALUES, view="/reg:64") is None  # a 32-bit product writes the 32-bit view
    assert values(wine, EMPTY_KEY) == {}
    assert values(wine, SHARED) == {
        "Existing": ("REG_SZ", "the user's"),
        "Added": ("REG_SZ", "from the installer"),
        "Kept": ("REG_SZ", "stays after uninstalling"),
        "Untouched": ("REG_SZ", "the user's"),
    }
    assert values(wine, ALL_USERS) == {"Everyone": ("REG_SZ", "every profile")}
    assert values(wine, "HKCU\\" + PRODUCT) is not None
    assert wait_for(lambda: values(wine, MERGED) == {"Merged": ("REG_SZ", "yes")})
    data = next(drive_c(wine, FOLDER).rglob("Uninstall.DAT")).read_bytes().decode("utf-8")
    assert "\r\n\r\n\r\n[Registry2]\r\n" in data and r"\HKAU\Software\Registry Test All,Everyone,1," in data

    assert uninstall(wine, UNINSTALL_KEY) == 0

    after = values(wine, SHARED)
    del before["Obsolete"]  # the author's deletion stays
    before["Kept"] = ("REG_SZ", "stays after uninstalling")
    assert after == before
    for key in (VALUES, EMPTY_KEY, "HKLM\\" + PRODUCT, "HKCU\\" + PRODUCT, ALL_USERS):
        assert values(wine, key) is None, key
