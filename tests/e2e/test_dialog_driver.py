"""The dialog driver itself, against one of Wine's own programs: what the scenarios rely on when
they read and press the installer's windows."""

import pytest

from wine import DIALOG_CLASS

DRIVER_BAD_ARGUMENTS = 3


def test_reads_a_message_box_presses_a_button_by_text_and_then_sees_its_effect(wine):
    wine.start("notepad", r"C:\été ☃.txt")  # asks whether to create the missing file
    box = wine.read_window("NOTEPAD.EXE", press_text="no", window_class=DIALOG_CLASS)
    assert box.icons == ["warning"]
    assert box.buttons == ["&Yes", "&No", "Cancel"]
    assert len(box.texts) == 1 and "'C:\\été ☃.txt'" in box.texts[0]
    main = wine.read_window("notepad.exe")
    assert (main.class_name, main.caption) == ("Notepad", "Untitled - Notepad")


@pytest.mark.parametrize("args", [
    pytest.param(["--timeout", "1"], id="without-exe"),
    pytest.param(["--exe", "x.exe", "--timeout", "soon"], id="timeout-not-a-number"),
    pytest.param(["--exe", "x.exe", "--press-id", "1", "--press-text", "OK"], id="two-buttons"),
])
def test_refuses_bad_arguments(wine, build, args):
    assert wine.run(build.dialog_driver, *args) == DRIVER_BAD_ARGUMENTS
