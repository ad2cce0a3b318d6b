"""valdorine-build's command line as a user and a build pipeline meet it: help, version, options
with attached values, variables, refusals, the summary, system errors, an interrupted build,
--werror, clashing destinations, symbolic links and the progress line on a terminal.
Each case checks the message and the exit code. Runs on the host alone: the stub is a minimal
Windows executable made here."""

from __future__ import annotations

import os
import pty
import re
import shutil
import signal
import struct
import subprocess
import time
from pathlib import Path

import pytest

from wine import REPO

BUILDER = Path(os.environ.get("VALDORINE_BUILD", REPO / "build")).resolve() / "host" / "valdorine-build"


def minimal_stub() -> bytes:
    """A 32-bit PE with four sections of 0x200 bytes and room in its headers for one more."""
    pe, headers, align = 0x80, 0x400, 0x200
    out = bytearray(b"MZ" + bytes(0x3A) + struct.pack("<I", pe))
    out += bytes(pe - len(out))
    out += b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 4, 0, 0, 0, 0xE0, 0x0102)
    out += struct.pack("<HBBIIIIIIIII", 0x10B, 0, 0, align, 3 * align, 0, 0x1000, 0x1000, 0x2000, 0x400000,
                       0x1000, align)
    out += bytes(16) + struct.pack("<III", 5 * 0x1000, headers, 0) + struct.pack("<HH", 2, 0x140)
    out += struct.pack("<IIIIII", 0x100000, 0x1000, 0x100000, 0x1000, 0, 16) + bytes(16 * 8)
    for i, name in enumerate([b".text", b".data", b".rdata", b".rsrc"]):
        out += name.ljust(8, b"\0") + struct.pack("<IIIIIIHHI", 0x100, (i + 1) * 0x1000, align, headers + i * align,
                                                  0, 0, 0, 0, 0x40000040)
    out += bytes(headers - len(out))
    out += bytes((i * 7) & 0xFF for i in range(4 * align))
    return bytes(out)


@pytest.fixture
def work(tmp_path: Path) -> Path:
    if not BUILDER.is_file():
        pytest.fail(f"{BUILDER} is missing: build first (make build)")
    (tmp_path / "stub.exe").write_bytes(minimal_stub())
    (tmp_path / "README.txt").write_text("Read me.\n")
    return tmp_path


def run(*arguments: str, cwd: Path | None = None) -> subprocess.CompletedProcess:
    return subprocess.run([str(BUILDER), *arguments], capture_output=True, text=True, cwd=cwd, timeout=120)


def project(folder: Path, version: str = "${version}") -> Path:
    path = folder / "project.toml"
    path.write_text(f'[product]\nname = "Tool"\nversion = "{version}"\n[[files]]\nsource = "README.txt"\n')
    return path


@pytest.mark.parametrize("arguments", [["--help"], ["-h"], ["help"]])
def test_help_prints_the_usage_and_succeeds(arguments):
    result = run(*arguments)
    assert (result.returncode, result.stderr) == (0, "")
    assert result.stdout.startswith("usage:") and "-D, --define" in result.stdout


def test_version_names_the_builder_and_the_stub():
    result = run("--version")
    assert result.returncode == 0
    assert result.stdout.splitlines()[0] == "valdorine-build 42.1.2"
    # The stub's version comes from its version resource, never from a string in its code.
    assert re.fullmatch(r"installer stub 42\.1\.2\.0: .*ValdorineSetup\.exe", result.stdout.splitlines()[1])


@pytest.mark.parametrize("arguments, message", [
    (["build", "x.toml", "-o", "s.exe", "--prest", "3"], "unknown option --prest (did you mean --preset?)"),
    (["biuld"], "unknown command biuld (did you mean build?)"),
    (["build", "x.toml", "-o", "s.exe", "--preset=3"], "--preset cannot be combined with a project file, which sets it itself"),
    (["build", "-o", "s.exe", "--preset=12", "README.txt"], "--preset takes 0..9"),
    (["build", "-o", "s.exe", "-D", "version", "README.txt"], "-D takes name=value"),
    (["build", "-o", "s.exe", "-Dv=1", "README.txt"], "-D defines variables of a project file; there is none"),
    (["build", "README.txt"], "build needs the output file: -o OUT"),
    (["build", "-o", "s.exe", "--quiet=1", "README.txt"], "--quiet takes no value"),
])
def test_refused_command_lines_name_the_problem_without_the_whole_usage(work, arguments, message):
    result = run(*arguments, cwd=work)
    assert result.returncode == 2
    assert result.stderr == f"valdorine-build: {message}\n"


def test_attached_values_quiet_and_the_summary_line(work):
    loud = run("build", "--stub=stub.exe", "--out=loud.exe", "--preset=1", "--threads=1", "README.txt", cwd=work)
    assert (loud.returncode, loud.stderr) == (0, "")
    assert re.fullmatch(r"loud\.exe: 1 file, 9 bytes in, \d+ bytes out \(\d+%\), \d+\.\d s\n", loud.stdout)
    assert int(loud.stdout.split(", ")[2].split()[0]) == (work / "loud.exe").stat().st_size
    quiet = run("build", "--stub", "stub.exe", "-o", "quiet.exe", "--preset", "1", "-q", "README.txt", cwd=work)
    assert (quiet.returncode, quiet.stdout, quiet.stderr) == (0, "", "")
    assert (work / "quiet.exe").read_bytes() == (work / "loud.exe").read_bytes()
    verbose = run("build", "--stub", "stub.exe", "-o", "v.exe", "-v", "README.txt=docs\\read.txt", cwd=work)
    assert verbose.stdout.splitlines()[0] == "  README.txt -> docs\\read.txt"


def test_variables_stamp_the_project_and_an_undefined_one_is_refused(work):
    project(work)
    built = run("build", "project.toml", "--stub", "stub.exe", "-o", "setup.exe", "-D", "version=2.5.0", cwd=work)
    assert built.returncode == 0, built.stderr
    shown = subprocess.run([str(BUILDER), "inspect", str(work / "setup.exe")], capture_output=True, text=True)
    assert "DisplayVersion=2.5.0" in shown.stdout
    missing = run("build", "project.toml", "--stub", "stub.exe", "-o", "other.exe", cwd=work)
    assert missing.returncode == 1
    assert "project.toml:3:11: [product] version: undefined variable ${version} (define it with -D version=...)" \
        in missing.stderr
    assert not (work / "other.exe").exists()


@pytest.mark.parametrize("version", ["one point oh", ""])
def test_a_version_that_is_not_one_is_refused_with_its_key(work, version):
    project(work, version)
    result = run("build", "project.toml", "--stub", "stub.exe", "-o", "setup.exe", cwd=work)
    assert result.returncode == 1
    assert f'[product] version: "{version}" is not a version' in result.stderr


def test_a_system_error_names_the_output_and_the_reason(work):
    result = run("build", "--stub", "stub.exe", "-o", "missing/setup.exe", "README.txt", cwd=work)
    assert result.returncode == 1
    assert result.stderr == "valdorine-build: cannot create missing/setup.exe: No such file or directory\n"


def test_the_stub_beside_the_builder_is_the_default(work):
    (work / "bin").mkdir()
    shutil.copy2(BUILDER, work / "bin" / "valdorine-build")
    shutil.copy2(work / "stub.exe", work / "bin" / "ValdorineSetup.exe")
    result = subprocess.run([str(work / "bin" / "valdorine-build"), "build", "-o", "setup.exe", "-q", "README.txt"],
                            cwd=work, capture_output=True, text=True)
    assert (result.returncode, result.stderr) == (0, "")
    version = subprocess.run([str(work / "bin" / "valdorine-build"), "--version"], capture_output=True, text=True)
    assert str(work / "bin" / "ValdorineSetup.exe") in version.stdout


@pytest.mark.parametrize("signal_number", [signal.SIGINT, signal.SIGTERM])
def test_an_interrupted_build_removes_its_partial_output(work, signal_number):
    (work / "big.bin").write_bytes(os.urandom(48 << 20))
    process = subprocess.Popen([str(BUILDER), "build", "--stub", "stub.exe", "-o", "setup.exe", "--preset", "6",
                                "--threads", "1", "big.bin"], cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    partial = work / "setup.exe.partial"
    deadline = time.monotonic() + 60
    while not partial.exists() and process.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    assert partial.exists(), "the build ended before it could be interrupted"
    process.send_signal(signal_number)
    assert process.wait(timeout=60) == 130
    assert not partial.exists() and not (work / "setup.exe").exists()


@pytest.mark.parametrize("content, sentence", [
    (b"plain text", "is not a setup executable: it is not a Windows executable"),
    (None, "is not a setup executable: it carries no package (no .setup section)"),
])
def test_inspect_explains_a_file_that_is_not_a_setup(work, content, sentence):
    target = work / "other.exe"
    target.write_bytes(minimal_stub() if content is None else content.ljust(256, b"\0"))
    result = run("inspect", str(target))
    assert result.returncode == 1
    assert f"problem={target} {sentence}\n" in result.stdout


PRODUCT = '[product]\nname = "Tool"\nversion = "1.0"\n'


def build_project(folder: Path, text: str, *arguments: str, out: str = "setup.exe") -> subprocess.CompletedProcess:
    (folder / "project.toml").write_text(text)
    return run("build", "project.toml", "--stub", "stub.exe", "-o", out, *arguments, cwd=folder)


def entry_names(setup: Path) -> list[str]:
    shown = run("inspect", str(setup), "--entries")
    return [line.split("=", 1)[1] for line in shown.stdout.splitlines() if re.match(r"entries\[\d+\]\.name=", line)]


@pytest.fixture
def linked(work: Path) -> Path:
    """payload/ with a file, a link to it and a link to the folder above (a loop when followed)."""
    (work / "payload").mkdir()
    (work / "payload" / "a.txt").write_text("a")
    os.symlink("a.txt", work / "payload" / "b.txt")
    os.symlink("..", work / "payload" / "up")
    return work


@pytest.mark.parametrize("policy, entries, said", [
    (None, ["a.txt", "b.txt"], "follows the symbolic link payload/b.txt (see [build] symlinks)"),
    ("follow", ["a.txt", "b.txt"], "follows the symbolic link payload/b.txt (see [build] symlinks)"),
    ("skip", ["a.txt"], "leaves out the symbolic link payload/b.txt (see [build] symlinks)"),
])
def test_symbolic_links_are_followed_or_left_out_with_a_warning(linked, policy, entries, said):
    text = PRODUCT + (f'[build]\nsymlinks = "{policy}"\n' if policy else "") + '[[files]]\nsource = "payload"\n'
    result = build_project(linked, text)
    assert result.returncode == 0, result.stderr
    assert f'valdorine-build: warning: [files[0]] source: "payload" {said}\n' in result.stderr
    if policy != "skip":
        assert "does not follow the symbolic link payload/up, which leads to a folder above it" in result.stderr
    assert entry_names(linked / "setup.exe") == entries


def test_refused_symbolic_links_stop_the_build(linked):
    result = build_project(linked, PRODUCT + '[build]\nsymlinks = "refuse"\n[[files]]\nsource = "payload/*.txt"\n')
    assert result.returncode == 1
    assert ('[files[0]] source: "payload/*.txt" meets the symbolic link payload/b.txt ([build] symlinks = "refuse"; '
            '"follow" or "skip" accept it)') in result.stderr
    assert not (linked / "setup.exe").exists()


def test_werror_turns_the_warnings_into_errors(linked):
    text = PRODUCT + '[[files]]\nsource = "payload/*.txt"\n'
    assert build_project(linked, text).returncode == 0
    strict = build_project(linked, text, "--werror", out="strict.exe")
    assert strict.returncode == 1
    assert strict.stderr.endswith("valdorine-build: --werror: 1 warning treated as errors; no setup written\n")
    assert "warning: [files[0]] source:" in strict.stderr
    assert not (linked / "strict.exe").exists()


@pytest.mark.parametrize("first, second, clash", [
    ("README.txt", "docs/readme.txt", True),
    ("\u00c4pfel.txt", "docs/\u00e4pfel.txt", True),
    ("README.txt", "docs/readme.txt", False),
])
def test_two_files_with_one_destination_are_refused_naming_both(work, first, second, clash):
    (work / "docs").mkdir()
    (work / first).write_text("one")
    (work / second).write_text("two")
    folder = "" if clash else 'folder = "docs"\n'
    text = PRODUCT + f'[[files]]\nsource = "{first}"\n[[files]]\nsource = "{second}"\n{folder}'
    result = build_project(work, text)
    if not clash:
        assert result.returncode == 0, result.stderr
        return
    assert result.returncode == 1
    name = second.split("/")[1]
    assert (f'project.toml:7:10: [files[1]] source: "{first}" and "{second}" both go to "{name}" '
            "(names differing only in case are one file on Windows)") in result.stderr
    assert not (work / "setup.exe").exists()


def run_on_terminal(arguments: list[str], cwd: Path) -> tuple[int, str]:
    """Runs the builder with a pseudo-terminal as its stdout and stderr; its exit code and output."""
    pid, terminal = pty.fork()
    if pid == 0:
        os.chdir(cwd)
        os.execv(str(BUILDER), [str(BUILDER), *arguments])
    output = bytearray()
    while True:
        try:
            piece = os.read(terminal, 4096)
        except OSError:  # the child closed the terminal
            break
        if not piece:
            break
        output += piece
    os.close(terminal)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), output.decode()


def test_a_terminal_sees_a_live_progress_line_and_the_summary(work):
    (work / "big.bin").write_bytes(os.urandom(3 << 20))
    code, output = run_on_terminal(["build", "--stub", "stub.exe", "-o", "setup.exe", "big.bin", "README.txt"], work)
    assert code == 0, output
    assert re.search(r"\rpacking: 2/2 files, 3\.0/3\.0 MiB \(100%\)", output), output
    assert re.search(r"\rpacking: [01]/2 files, [0-3]\.\d/3\.0 MiB \(\d+%\)", output), output
    assert "setup.exe: 2 files, " in output
    _, quiet = run_on_terminal(["build", "--stub", "stub.exe", "-o", "quiet.exe", "-q", "big.bin"], work)
    assert quiet == ""
