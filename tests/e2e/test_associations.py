"""File associations under Wine: one over an extension that already has a class, one over an
extension without any, an open-with-only one and one that cannot find a class. `reg query` reads
HKEY_CLASSES_ROOT after installing, and after uninstalling compares it with what was there before,
byte for byte."""

from __future__ import annotations

from pathlib import Path

from test_product_registration import drive_c
from test_registry_entries import build_project, values
from test_uninstaller import reg_output, uninstall

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Association Test"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\AssociationTest"
BACKUP = "Association Test Backup"
COMMAND = FOLDER + r'\viewer.exe "%1"'

# The prepared extension with its class, as a user's system might have them.
EXISTING = {
    r"HKCR\.vdtxt": "VdTextFile",
    r"HKCR\VdTextFile": "Text Document",
    r"HKCR\VdTextFile\shell": "open",
    r"HKCR\VdTextFile\shell\open\command": "notepad.exe %1",
}

ASSOCIATIONS = """
[[associations]]
extension = "vdtxt"
class = "!VdNewText"
verbs = ["edit"]
verb_label = "Edit with Viewer"
command = '%InstallDir%\\viewer.exe "%1"'

[[associations]]
extension = ".vddoc"
class = "!VdDocument"
description = "Valdorine Document"
icon = "viewer.exe,1"
mode = "default-verb"
verbs = ["open", "print"]
command = '%InstallDir%\\viewer.exe "%1"'

[[associations]]
extension = "vdtxt"
class = "VdViewer"
mode = "open-with-only"
command = '%InstallDir%\\viewer.exe "%1"'

[[associations]]
extension = "vdnone"
verbs = ["open"]
command = '%InstallDir%\\viewer.exe "%1"'
"""


def build_setup(build, folder: Path, associations: str) -> Path:
    (folder / "viewer.exe").write_bytes(b"MZ")
    return build_project(build, folder, "Association Test", f"""
[[files]]
source = "viewer.exe"
{associations}""")


def classes_tree(wine, key: str) -> str | None:
    """Every key and value below a HKEY_CLASSES_ROOT key as `reg query /s` prints them."""
    code, text = reg_output(wine, "query", key, "/s", view="/reg:64")
    return text if code == 0 else None


def set_default(wine, key: str, data: str) -> None:
    assert reg_output(wine, "add", key, "/ve", "/d", data, "/f")[0] == 0


def default(wine, key: str) -> tuple[str, str] | None:
    found = values(wine, key, view="/reg:64")
    return None if found is None else found.get("(Default)")


def install(wine, setup: Path) -> None:
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1


def test_associations_change_only_what_they_own_and_uninstall_restores_the_rest(build, wine, tmp_path):
    for key, data in EXISTING.items():
        set_default(wine, key, data)
    before = {key: classes_tree(wine, key) for key in (r"HKCR\.vdtxt", r"HKCR\VdTextFile")}

    install(wine, build_setup(build, tmp_path, ASSOCIATIONS))

    # The extension with a class keeps it and its class gains the verb; its default is untouched.
    assert default(wine, r"HKCR\.vdtxt") == ("REG_SZ", "VdTextFile")
    assert default(wine, r"HKCR\VdTextFile\shell\edit") == ("REG_SZ", "Edit with Viewer")
    assert default(wine, r"HKCR\VdTextFile\shell\edit\command") == ("REG_SZ", COMMAND)
    assert default(wine, r"HKCR\VdTextFile\shell") == ("REG_SZ", "open")
    assert values(wine, r"HKCR\VdNewText", view="/reg:64") is None
    # The open-with-only class is listed beside the extension's own.
    assert "VdViewer" in values(wine, r"HKCR\.vdtxt\OpenWithProgids", view="/reg:64")
    assert default(wine, r"HKCR\VdViewer\shell\open\command") == ("REG_SZ", COMMAND)
    # The extension without a class gets the named one, with description, icon and default verb.
    assert default(wine, r"HKCR\.vddoc") == ("REG_SZ", "VdDocument")
    assert "VdDocument" in values(wine, r"HKCR\.vddoc\OpenWithProgids", view="/reg:64")
    assert default(wine, r"HKCR\VdDocument") == ("REG_SZ", "Valdorine Document")
    assert default(wine, r"HKCR\VdDocument\DefaultIcon") == ("REG_SZ", FOLDER + r"\viewer.exe,1")
    assert default(wine, r"HKCR\VdDocument\shell") == ("REG_SZ", "print")  # the last verb applied
    assert default(wine, r"HKCR\VdDocument\shell\print\command") == ("REG_SZ", COMMAND)
    # No class to use: nothing is written.
    assert values(wine, r"HKCR\.vdnone", view="/reg:64") is None
    # No default was replaced, so no backups were needed.
    for key in (r"HKCR\.vdtxt", r"HKCR\VdTextFile", r"HKCR\VdTextFile\shell"):
        assert BACKUP not in values(wine, key, view="/reg:64"), key

    folder = drive_c(wine, FOLDER)
    data = next(folder.rglob("Uninstall.DAT")).read_bytes().decode("latin-1")
    records = data.split("[Associations]\r\n", 1)[1].split("\r\n\r\n", 1)[0].splitlines()
    assert records == [
        ".vdtxt~!~VdTextFile~!~~!~DE",  # the class was in place, with a default, named by the extension
        ".vdtxt~!~VdTextFile~!~edit~!~",
        ".vddoc~!~VdDocument~!~open~!~viewer.exe,1",
        ".vddoc~!~VdDocument~!~print~!~viewer.exe,1",
        ".vdtxt~!~VdViewer~!~open~!~",
    ]
    log = next(folder.rglob("Install.log")).read_text(encoding="utf-8", errors="replace")
    assert 'Association failed/key inaccessible:  ".vdnone".' in log

    assert uninstall(wine, UNINSTALL_KEY) == 0

    assert {key: classes_tree(wine, key) for key in before} == before
    for key in (r"HKCR\.vddoc", r"HKCR\VdDocument", r"HKCR\VdViewer"):
        assert values(wine, key, view="/reg:64") is None, key


def test_replaced_defaults_are_backed_up_once_and_restored(build, wine, tmp_path):
    set_default(wine, r"HKCR\.vdown", "OldClass")
    assert reg_output(wine, "add", r"HKCR\.vdown", "/v", "Content Type", "/d", "text/x-old", "/f")[0] == 0
    before = classes_tree(wine, r"HKCR\.vdown")
    setup = build_setup(build, tmp_path, """
[[associations]]
extension = "vdown"
class = "VdOwn"
description = "Own Document"
command = '%InstallDir%\\viewer.exe "%1"'
""")

    install(wine, setup)
    install(wine, setup)  # the second run finds its own values and keeps the first backup

    found = values(wine, r"HKCR\.vdown", view="/reg:64")
    assert found["(Default)"] == ("REG_SZ", "VdOwn")
    assert found[BACKUP] == ("REG_SZ", "OldClass")
    assert default(wine, r"HKCR\VdOwn") == ("REG_SZ", "Own Document")
    assert uninstall(wine, UNINSTALL_KEY) == 0
    assert classes_tree(wine, r"HKCR\.vdown") == before
    assert values(wine, r"HKCR\VdOwn", view="/reg:64") is None


def test_classes_that_existed_with_values_only_are_kept_and_restored_exactly(build, wine, tmp_path):
    # Two classes in place with values and no subkeys: one named by its extension and with a
    # description of its own, one without a default that no extension names yet.
    set_default(wine, r"HKCR\.vdval", "VdValues")
    set_default(wine, r"HKCR\VdValues", "Values Document")
    assert reg_output(wine, "add", r"HKCR\VdValues", "/v", "EditFlags", "/t", "REG_DWORD", "/d", "65536", "/f")[0] == 0
    assert reg_output(wine, "add", r"HKCR\VdBare", "/v", "FriendlyTypeName", "/d", "Bare Type", "/f")[0] == 0
    keys = (r"HKCR\.vdval", r"HKCR\VdValues", r"HKCR\.vdbare", r"HKCR\VdBare")
    before = {key: classes_tree(wine, key) for key in keys}
    setup = build_setup(build, tmp_path, """
[[associations]]
extension = "vdval"
class = "VdValues"
description = "Valdorine Values"
icon = "viewer.exe,0"
verbs = ["open", "print"]
command = '%InstallDir%\\viewer.exe "%1"'

[[associations]]
extension = "vdbare"
class = "VdBare"
description = "Valdorine Bare"
verbs = ["open"]
command = '%InstallDir%\\viewer.exe "%1"'
""")

    install(wine, setup)

    assert default(wine, r"HKCR\VdValues") == ("REG_SZ", "Valdorine Values")
    assert values(wine, r"HKCR\VdValues", view="/reg:64")[BACKUP] == ("REG_SZ", "Values Document")
    assert default(wine, r"HKCR\VdBare") == ("REG_SZ", "Valdorine Bare")
    assert default(wine, r"HKCR\.vdbare") == ("REG_SZ", "VdBare")
    data = next(drive_c(wine, FOLDER).rglob("Uninstall.DAT")).read_bytes().decode("latin-1")
    records = data.split("[Associations]\r\n", 1)[1].split("\r\n\r\n", 1)[0].splitlines()
    assert ".vdval~!~VdValues~!~~!~DE" in records and ".vdbare~!~VdBare~!~~!~" in records

    assert uninstall(wine, UNINSTALL_KEY) == 0

    for key in keys:
        assert (classes_tree(wine, key) or "").splitlines() == (before[key] or "").splitlines(), key
