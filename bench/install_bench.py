#!/usr/bin/env python3
"""Install benchmark: installs the same deterministic payload with a Valdorine installer and with an
NSIS installer (makensis, `SetCompressor /SOLID lzma`) silently under Wine, in one private prefix,
each into a fresh folder, and prints wall time, peak memory, what landed, the ratios and both stub
sizes. It is not a test.

Memory is sampled from /proc while the installer runs, two ways: the resident peak (VmHWM), which
also counts the pages of the installer's own file that the system has mapped and read (page cache,
not memory the installer holds), and the peak of private memory (RssAnon), which is what the
installer allocates: buffers, decompressed blocks, the record queue.

usage: install_bench.py --builder PATH --stub PATH --work FOLDER --prefix FOLDER [--megabytes N] [--runs N]
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

from package_bench import MB, nsis_script, payload

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from wine import wine_environment  # noqa: E402  (the scenarios' environment for a private prefix)

SAMPLE_SECONDS = 0.02
TIMEOUT_SECONDS = 1800
INSTALL_ROOT = "bench"  # below drive C: of the prefix


@dataclass
class Installation:
    wall: float = 0.0
    peak_kib: int = 0
    peak_private_kib: int = 0
    exit_code: int = 0
    files: int = 0
    bytes: int = 0


def project_file(work: Path, folder: Path) -> Path:
    """A plain product that installs the payload tree; no wizard pages matter in silent mode."""
    project = work / "bench.toml"
    project.write_text(f"""
[product]
name = "Valdorine Bench"
version = "1.0"
publisher = "Valdorine Bench"
uninstall_key = "ValdorineBench"

[install]
folder = 'Valdorine Bench'

[[files]]
source = "{folder.name}/**"
""")
    return project


def largest_status_kib(pids: set[int], field: str) -> int:
    """The largest value (KiB) of a /proc status field among the processes that are still there."""
    largest = 0
    for pid in pids:
        try:
            for line in Path(f"/proc/{pid}/status").read_text().splitlines():
                if line.startswith(field + ":"):
                    largest = max(largest, int(line.split()[1]))
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            pass
    return largest


def processes_running(exe_name: str) -> set[int]:
    """Processes whose command line names the installer (Wine keeps the Windows program's name)."""
    found = set()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            command_line = (entry / "cmdline").read_bytes()
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue
        if exe_name.encode() in command_line:
            found.add(int(entry.name))
    return found


def landed(target: Path, folder: Path, files: list[Path]) -> tuple[int, int]:
    """How many payload files, and how many of their bytes, stand below `target` with their size."""
    count = size = 0
    for file in files:
        copy = target / file.relative_to(folder)
        if copy.is_file() and copy.stat().st_size == file.stat().st_size:
            count += 1
            size += copy.stat().st_size
    return count, size


def install(env: dict[str, str], setup: Path, arguments: list[str], target: Path,
            payload_files: tuple[Path, list[Path]]) -> Installation:
    """Runs one installer to its end, sampling the memory of its processes meanwhile."""
    if target.exists():
        shutil.rmtree(target)
    result = Installation()
    start = time.perf_counter()
    process = subprocess.Popen(["wine", str(setup), *arguments], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    watched = {process.pid}
    while process.poll() is None:
        watched |= processes_running(setup.name)
        result.peak_kib = max(result.peak_kib, largest_status_kib(watched, "VmHWM"))
        result.peak_private_kib = max(result.peak_private_kib, largest_status_kib(watched, "RssAnon"))
        if time.perf_counter() - start > TIMEOUT_SECONDS:
            process.kill()
            break
        time.sleep(SAMPLE_SECONDS)
    result.exit_code = process.wait()
    result.wall = time.perf_counter() - start
    result.files, result.bytes = landed(target, *payload_files)
    # The next run must install afresh: a product whose recorded folder still exists is
    # installed again into that folder.
    shutil.rmtree(target, ignore_errors=True)
    return result


def best(runs: list[Installation]) -> Installation:
    return min(runs, key=lambda run: run.wall)


def build_installers(args: argparse.Namespace, folder: Path) -> tuple[Path, Path]:
    """Our installer from a project file over the payload tree, the peer's from its script."""
    ours = args.work / "install-ours.exe"
    subprocess.run([args.builder, "build", str(project_file(args.work, folder)), "--stub", str(args.stub),
                    "-o", str(ours)], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["makensis", "-V1", str(nsis_script(args.work, folder))], check=True)
    peer = args.work / "install-peer.exe"
    shutil.move(args.work / "peer.exe", peer)
    return ours, peer


def measure(args: argparse.Namespace, ours: Path, peer: Path,
            payload_files: tuple[Path, list[Path]]) -> tuple[Installation, Installation]:
    """Installs with each installer `args.runs` times, alternating, and keeps each one's fastest run."""
    env = wine_environment(args.prefix)
    drive_root = args.prefix / "drive_c" / INSTALL_ROOT
    subprocess.run(["wineserver", "-p"], env=env, check=True)  # one warm server for every run
    try:
        ours_runs, peer_runs = [], []
        for run in range(args.runs):
            ours_target = f"ours-{run}"
            ours_runs.append(install(env, ours, ["/silent", f'/d:C:\\{INSTALL_ROOT}\\{ours_target}'],
                                     drive_root / ours_target, payload_files))
            peer_target = f"peer-{run}"
            peer_runs.append(install(env, peer, ["/S", f"/D=C:\\{INSTALL_ROOT}\\{peer_target}"],
                                     drive_root / peer_target, payload_files))
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
    return best(ours_runs), best(peer_runs)


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--builder", required=True)
    parser.add_argument("--stub", required=True, type=Path)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--prefix", required=True, type=Path)
    parser.add_argument("--megabytes", type=int, default=300)
    parser.add_argument("--runs", type=int, default=1)
    args = parser.parse_args()
    args.work = args.work.resolve()  # makensis takes the script's paths relative to the script
    args.prefix = args.prefix.resolve()
    args.work.mkdir(parents=True, exist_ok=True)

    folder, files = payload(args.work, args.megabytes)
    payload_bytes = sum(f.stat().st_size for f in files)
    ours, peer = build_installers(args, folder)
    mine, theirs = measure(args, ours, peer, (folder, files))
    report(payload_bytes, len(files), max(f.stat().st_size for f in files), args, (ours, mine), (peer, theirs))


def ratio(a: float, b: float) -> str:
    return f"{a / b:9.2f}" if b else f"{'-':>9}"


def report(payload_bytes: int, file_count: int, largest_file: int, args: argparse.Namespace,
           ours: tuple[Path, Installation], peer: tuple[Path, Installation]) -> None:
    (ours_exe, mine), (peer_exe, theirs) = ours, peer
    print(f"payload: {payload_bytes / MB:.1f} MiB in {file_count} files; {os.cpu_count()} cores; "
          f"best of {args.runs} run(s); Wine prefix {args.prefix}")
    print(f"{'':22}{'Valdorine':>14}{'NSIS':>14}{'ratio':>9}")
    print(f"{'install time (s)':22}{mine.wall:14.1f}{theirs.wall:14.1f}{ratio(mine.wall, theirs.wall)}")
    print(f"{'peak resident (MiB)':22}{mine.peak_kib / 1024:14.1f}{theirs.peak_kib / 1024:14.1f}"
          f"{ratio(mine.peak_kib, theirs.peak_kib)}")
    print(f"{'peak private (MiB)':22}{mine.peak_private_kib / 1024:14.1f}{theirs.peak_private_kib / 1024:14.1f}"
          f"{ratio(mine.peak_private_kib, theirs.peak_private_kib)}")
    print(f"{'largest file (MiB)':22}{largest_file / MB:14.1f}")
    print(f"{'installer (MiB)':22}{ours_exe.stat().st_size / MB:14.2f}{peer_exe.stat().st_size / MB:14.2f}"
          f"{ratio(ours_exe.stat().st_size, peer_exe.stat().st_size)}")
    print(f"{'stub (KiB)':22}{args.stub.stat().st_size / 1024:14.1f}{nsis_stub_kib():14.1f}"
          f"{ratio(args.stub.stat().st_size / 1024, nsis_stub_kib())}")
    print(f"{'payload files landed':22}{mine.files:14d}{theirs.files:14d}")
    print(f"{'payload MiB landed':22}{mine.bytes / MB:14.1f}{theirs.bytes / MB:14.1f}")
    print(f"{'exit code':22}{mine.exit_code:14d}{theirs.exit_code:14d}")
    if mine.files != file_count or mine.bytes != payload_bytes:
        print("note: the Valdorine installation did not land the whole payload; its time is not comparable")


def nsis_stub_kib() -> float:
    """The size of makensis's installer stub for solid LZMA with Unicode (the script's settings),
    which every such NSIS installer carries in front of its data."""
    stub = Path("/usr/share/nsis/Stubs/lzma_solid-x86-unicode")
    return stub.stat().st_size / 1024 if stub.exists() else 0.0


if __name__ == "__main__":
    main()
