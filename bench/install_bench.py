#!/usr/bin/env python3
"""Install benchmark: installs the same payload with a Valdorine installer and with an NSIS
installer (makensis, `SetCompressor /SOLID lzma`) silently under Wine, in one private prefix, each
into a fresh folder, and prints wall time, peak memory, what landed, the ratios and both stub
sizes, for both payload profiles of make_payload.py (generated and real files). It is not a test.

Memory is sampled from /proc while the installer runs, two ways: the resident peak (VmHWM), which
also counts the pages of the installer's own file that the system has mapped and read (page cache,
not memory the installer holds), and the peak of private memory (RssAnon), which is what the
installer allocates: buffers, the decoder and the chunks it decodes ahead, the record queue.

Both installers run in the flavour this machine executes: where 32-bit code cannot run (Wine's
loader then selects the 64-bit flavour, VALDORINE_WINDOWS_FLAVOUR=win64) ours runs in its 64-bit
build and NSIS's with its amd64-unicode stub; the shipped 32-bit stub's size is printed beside them.
--one-core pins the whole Wine run (the server and both installers) to the first processor, where
nothing decodes on a second core and what remains is per-file and per-byte overhead.

usage: install_bench.py --builder PATH --stub PATH --work FOLDER --prefix FOLDER [--megabytes N] [--runs N]
                        [--shipped-stub PATH] [--one-core]
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
PROFILES = ("generated", "real")
# What the installer holds ahead of the file it writes: the chunk decoded ahead on the second
# thread (BlockStream's chunk size) besides the one being written.
READ_AHEAD_MIB = 8
# The block decoder's dictionary at the builder's default preset 5: decoding state, not read-ahead.
DICTIONARY_MIB = 8


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


def install(env: dict[str, str], pinning: list[str], setup: Path, arguments: list[str], target: Path,
            payload_files: tuple[Path, list[Path]]) -> Installation:
    """Runs one installer to its end, sampling the memory of its processes meanwhile."""
    if target.exists():
        shutil.rmtree(target)
    result = Installation()
    start = time.perf_counter()
    process = subprocess.Popen([*pinning, env.get("WINE", "wine"), str(setup), *arguments], env=env, stdin=subprocess.DEVNULL,
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


def typical(runs: list[Installation]) -> Installation:
    """The run of median time, with the highest memory peaks of all runs."""
    middle = sorted(runs, key=lambda run: run.wall)[(len(runs) - 1) // 2]
    middle.peak_kib = max(run.peak_kib for run in runs)
    middle.peak_private_kib = max(run.peak_private_kib for run in runs)
    return middle


def nsis_target(env: dict[str, str]) -> str:
    """NSIS's stub of the flavour this machine runs: amd64 where 32-bit code cannot run."""
    return "amd64-unicode" if env.get("VALDORINE_WINDOWS_FLAVOUR") == "win64" else "x86-unicode"


def newer(output: Path, *inputs: Path) -> bool:
    return output.exists() and all(output.stat().st_mtime > source.stat().st_mtime for source in inputs)


def build_installers(args: argparse.Namespace, folder: Path, profile: str, target: str) -> tuple[Path, Path]:
    """Our installer from a project file over the payload tree, the peer's from its script; each is
    built again only when what it is made from changed (the payload trees never change)."""
    ours = args.work / f"install-ours-{profile}-{args.stub.parent.name}.exe"
    if not newer(ours, Path(args.builder), args.stub):
        subprocess.run([args.builder, "build", str(project_file(args.work, folder)), "--stub", str(args.stub),
                        "-o", str(ours)], check=True, stdout=subprocess.DEVNULL)
    peer = args.work / f"install-peer-{profile}-{target}.exe"
    if not peer.exists():
        subprocess.run(["makensis", "-V1", str(nsis_script(args.work, folder, target))], check=True)
        shutil.move(args.work / "peer.exe", peer)
    return ours, peer


def measure(args: argparse.Namespace, env: dict[str, str], ours: Path, peer: Path,
            payload_files: tuple[Path, list[Path]]) -> tuple[Installation, Installation]:
    """Installs with each installer `args.runs` times, alternating, and keeps each one's typical run."""
    drive_root = args.prefix / "drive_c" / INSTALL_ROOT
    pinning = ["taskset", "-c", "0"] if args.one_core else []
    # One warm server for every run, pinned with the installers when they are.
    subprocess.run([*pinning, "wineserver", "-p"], env=env, check=True)
    try:
        ours_runs, peer_runs = [], []
        for run in range(args.runs):
            ours_target = f"ours-{run}"
            ours_runs.append(install(env, pinning, ours, ["/silent", "/exitcodes", f'/d:C:\\{INSTALL_ROOT}\\{ours_target}'],
                                     drive_root / ours_target, payload_files))
            peer_target = f"peer-{run}"
            peer_runs.append(install(env, pinning, peer, ["/S", f"/D=C:\\{INSTALL_ROOT}\\{peer_target}"],
                                     drive_root / peer_target, payload_files))
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
    return typical(ours_runs), typical(peer_runs)


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--builder", required=True)
    parser.add_argument("--stub", required=True, type=Path)
    parser.add_argument("--shipped-stub", type=Path, help="the 32-bit stub that products carry")
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--prefix", required=True, type=Path)
    parser.add_argument("--megabytes", type=int, default=300)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--one-core", action="store_true", help="pin the Wine runs to the first processor")
    parser.add_argument("--profile", choices=PROFILES, action="append", help="only this payload profile")
    args = parser.parse_args()
    args.work = args.work.resolve()  # makensis takes the script's paths relative to the script
    args.prefix = args.prefix.resolve()
    args.work.mkdir(parents=True, exist_ok=True)
    env = wine_environment(args.prefix)
    target = nsis_target(env)

    for profile in args.profile or PROFILES:
        folder, files = payload(args.work, args.megabytes, profile)
        ours, peer = build_installers(args, folder, profile, target)
        mine, theirs = measure(args, env, ours, peer, (folder, files))
        report(profile, files, args, env, (ours, mine), (peer, theirs), target)
        print()


def ratio(a: float, b: float) -> str:
    return f"{a / b:9.2f}" if b else f"{'-':>9}"


def report(profile: str, files: list[Path], args: argparse.Namespace, env: dict[str, str],
           ours: tuple[Path, Installation], peer: tuple[Path, Installation], target: str) -> None:
    (ours_exe, mine), (peer_exe, theirs) = ours, peer
    payload_bytes = sum(f.stat().st_size for f in files)
    flavour = env.get("VALDORINE_WINDOWS_FLAVOUR", "win32")
    print(f"profile {profile}: {payload_bytes / MB:.1f} MiB in {len(files)} files, largest "
          f"{max(f.stat().st_size for f in files) / MB:.1f} MiB; {os.cpu_count()} cores"
          f"{', pinned to one (taskset -c 0)' if args.one_core else ''}; median of {args.runs} run(s); "
          f"ours {flavour}, NSIS {target}")
    if flavour == "win64":
        print("this machine cannot run 32-bit code: both installers run in their 64-bit builds")
    print(f"{'':22}{'Valdorine':>14}{'NSIS':>14}{'ratio':>9}")
    print(f"{'install time (s)':22}{mine.wall:14.2f}{theirs.wall:14.2f}{ratio(mine.wall, theirs.wall)}")
    print(f"{'peak resident (MiB)':22}{mine.peak_kib / 1024:14.1f}{theirs.peak_kib / 1024:14.1f}"
          f"{ratio(mine.peak_kib, theirs.peak_kib)}")
    print(f"{'peak private (MiB)':22}{mine.peak_private_kib / 1024:14.1f}{theirs.peak_private_kib / 1024:14.1f}"
          f"{ratio(mine.peak_private_kib, theirs.peak_private_kib)}")
    print(f"{'  of it read-ahead':22}{READ_AHEAD_MIB:14.1f}{'':>14}   one chunk decoded ahead on the second thread;"
          f" the decoder's dictionary ({DICTIONARY_MIB} MiB) is decoding state")
    print(f"{'installer (MiB)':22}{ours_exe.stat().st_size / MB:14.2f}{peer_exe.stat().st_size / MB:14.2f}"
          f"{ratio(ours_exe.stat().st_size, peer_exe.stat().st_size)}")
    stub, peer_stub = args.stub.stat().st_size, nsis_stub_bytes(target)
    print(f"{f'stub {flavour} (bytes)':22}{stub:14d}{peer_stub:14d}{ratio(stub, peer_stub)}")
    if args.shipped_stub and args.shipped_stub.exists():
        shipped, peer_shipped = args.shipped_stub.stat().st_size, nsis_stub_bytes("x86-unicode")
        print(f"{'stub win32 (bytes)':22}{shipped:14d}{peer_shipped:14d}{ratio(shipped, peer_shipped)}"
              "   the shipped 32-bit stubs")
    print(f"{'payload files landed':22}{mine.files:14d}{theirs.files:14d}")
    print(f"{'payload MiB landed':22}{mine.bytes / MB:14.1f}{theirs.bytes / MB:14.1f}")
    print(f"{'exit code':22}{mine.exit_code:14d}{theirs.exit_code:14d}")
    for name, run in (("Valdorine", mine), ("NSIS", theirs)):
        if run.files != len(files) or run.bytes != payload_bytes:
            print(f"note: the {name} installation did not land the whole payload; its time is not comparable")


def nsis_stub_bytes(target: str) -> int:
    """The size of makensis's installer stub for solid LZMA and `target`, which every such NSIS
    installer carries in front of its data."""
    stub = Path(f"/usr/share/nsis/Stubs/lzma_solid-{target}")
    return stub.stat().st_size if stub.exists() else 0


if __name__ == "__main__":
    main()
