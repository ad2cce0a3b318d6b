"""Component registration under Wine: COM servers and a type library built in the test, their
SharedDLLs counts over two products, a COM server whose registration crashes, a Windows Installer
package made with wixl, and a control-panel applet; each installed with /silent and removed by the
uninstaller. Registry state is read with `reg query`, files on the prefix's drive."""

from __future__ import annotations

import subprocess
from pathlib import Path

import pefile
import pytest

from test_product_registration import drive_c
from test_uninstaller import key_exists, reg_output

SETUP = r"C:\downloads\setup.exe"
SERVER_CLSID = "{5B0C7A52-8E3D-4F6A-9B1C-2D3E4F5A6B7C}"
CRASHING_CLSID = "{7C1D8B63-9F4E-4A7B-8C2D-3E4F5A6B7C8D}"
LIBRARY_ID = "{6A3C1E2B-5D4F-4A1B-9C8D-7E6F5A4B3C2D}"
APPLET_CLSID = "{0E5C2DB0-1F46-4D1B-9C2F-1A1A2B3C4D5E}"
SYSTEM = r"C:\windows\system32"
SHARED_DLLS = r"HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs"

SERVER_SOURCE = r"""
#include <windows.h>
static HMODULE self;
#define KEY L"Software\\Classes\\CLSID\\" CLSID_TEXT
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) self = module;
  return TRUE;
}
__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void) {
#ifdef CRASH
  *(volatile int *)0 = 1;
#endif
  wchar_t path[MAX_PATH];
  HKEY key;
  GetModuleFileNameW(self, path, MAX_PATH);
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, KEY L"\\InprocServer32", 0, 0, 0, KEY_WRITE, 0, &key, 0)) return E_FAIL;
  RegSetValueExW(key, 0, 0, REG_SZ, (const BYTE *)path, (lstrlenW(path) + 1) * sizeof(wchar_t));
  RegCloseKey(key);
  return S_OK;
}
__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, KEY);
  return S_OK;
}
"""

LIBRARY_IDL = f"""
[uuid({LIBRARY_ID[1:-1]}), version(1.0)]
library ValdoTypes
{{
    typedef enum {{ ValdoOne = 1 }} ValdoKind;
}};
"""

PACKAGE_WXS = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Valdo Package Test" Language="1033" Version="1.0.0" Manufacturer="Valdo Test"
           UpgradeCode="3F2A1B0C-9D8E-4F7A-8B6C-5D4E3F2A1B0C">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="payload.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Valdo Package Test">
          <Component Id="Main" Guid="4A3B2C1D-0E9F-4A8B-9C7D-6E5F4A3B2C1D">
            <File Id="Payload" Source="package-payload.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="All" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
"""


@pytest.fixture(scope="module")
def bitness(build) -> int:
    """The installer's own bitness: the system folder and registry view its registrations reach."""
    machine = pefile.PE(str(build.installer), fast_load=True).FILE_HEADER.Machine
    return 64 if machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"] else 32


def view(bitness: int) -> str:
    return f"/reg:{bitness}"


def server_dll(folder: Path, name: str, bitness: int, clsid: str, *defines: str) -> Path:
    source = folder / "server.c"
    source.write_text(SERVER_SOURCE)
    output = folder / name
    compiler = "x86_64-w64-mingw32-gcc" if bitness == 64 else "i686-w64-mingw32-gcc"
    subprocess.run([compiler, "-shared", "-O1", "-o", str(output), str(source), "-Wl,--kill-at", "-D_WIN32_WINNT=0x0601",
                    f'-DCLSID_TEXT=L"{clsid}"', *defines, "-ladvapi32"], check=True)
    return output


def type_library(folder: Path) -> Path:
    (folder / "types.idl").write_text(LIBRARY_IDL)
    subprocess.run(["x86_64-w64-mingw32-widl", "-t", "-o", str(folder / "valdotypes.tlb"), str(folder / "types.idl")],
                   check=True, capture_output=True)
    return folder / "valdotypes.tlb"


def installer_package(folder: Path) -> Path:
    (folder / "package-payload.txt").write_text("installed by the package\n")
    (folder / "package.wxs").write_text(PACKAGE_WXS)
    subprocess.run(["wixl", "-o", str(folder / "valdotest.msi"), str(folder / "package.wxs")], check=True, cwd=folder)
    return folder / "valdotest.msi"


def build_product(build, folder: Path, key: str, tables: str) -> Path:
    project = folder / f"{key}.toml"
    project.write_text(f"""
[product]
name = "{key}"
version = "1.0"
uninstall_key = "{key}"

[install]
folder = 'C:\\{key}'
log_each_file = true
{tables}""")
    output = folder / f"{key}.exe"
    subprocess.run([str(build.builder), "build", str(project), "--stub", str(build.installer), "-o", str(output)],
                   check=True, stdout=subprocess.DEVNULL)
    return output


def install(wine, setup: Path) -> None:
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1


def uninstall(wine, key: str) -> None:
    assert wine.run(rf"C:\{key}\uninstall\uninstall.exe", f"/u:{key}", "/silent") == 0


def install_log(wine, key: str) -> str:
    return drive_c(wine, rf"C:\{key}\uninstall\Install.log").read_bytes().decode("utf-8-sig")


def value_of(wine, key: str, name: str, bitness: int) -> str | None:
    """A value's data as `reg query` prints it; None when the key or value is missing."""
    code, text = reg_output(wine, "query", key, *(["/ve"] if name == "" else ["/v", name]), view=view(bitness))
    if code != 0:
        return None
    line = next(line for line in text.splitlines() if "    REG_" in line)
    return line.split("    ", 3)[-1].strip()


def shared_count(wine, path: str, bitness: int) -> int:
    text = value_of(wine, SHARED_DLLS, path, bitness)
    return 0 if text is None else int(text, 16)


def files_table(source: str, destination: str, extra: str = "") -> str:
    return f'\n[[files]]\nsource = "{source}"\ndestination = "{destination}"\n{extra}\n'


def test_com_servers_and_type_library_are_counted_over_two_products(build, wine, tmp_path, bitness):
    """Two products share a COM server and a type library: both register, the counts go 1 and 2,
    the first uninstallation only counts down, the second unregisters and deletes; a server whose
    registration crashes becomes its log and summary lines while the installation completes."""
    server_dll(tmp_path, "valdocom.dll", bitness, SERVER_CLSID)
    server_dll(tmp_path, "valdocrash.dll", bitness, CRASHING_CLSID, "-DCRASH")
    type_library(tmp_path)
    assert wine.run("reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                    "/d", "0", "/f") == 0
    shared = (files_table("valdocom.dll", "system-com-server") + files_table("valdotypes.tlb", "system-type-library"))
    first = build_product(build, tmp_path, "ComFirst",
                          shared + files_table("valdocrash.dll", "system-com-server"))
    second = build_product(build, tmp_path, "ComSecond", shared)
    server, library = rf"{SYSTEM}\valdocom.dll", rf"{SYSTEM}\valdotypes.tlb"
    server_key = rf"HKLM\Software\Classes\CLSID\{SERVER_CLSID}\InprocServer32"
    library_key = rf"HKLM\Software\Classes\TypeLib\{LIBRARY_ID}\1.0"

    install(wine, first)
    log = install_log(wine, "ComFirst")
    assert f'Registering COM File "{server}"...OK' in log
    assert f'Registering COM File "{SYSTEM}\\valdocrash.dll"...CRASHED!' in log
    assert "Crashed while registering COM file valdocrash.dll" in log
    assert f'Registering Type Library "{library}"...OK' in log
    assert key_exists(wine, rf"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ComFirst")
    assert (value_of(wine, server_key, "", bitness) or "").lower() == server.lower()
    assert key_exists(wine, library_key, view=view(bitness))
    assert [shared_count(wine, path, bitness) for path in (server, library)] == [1, 1]

    install(wine, second)
    assert [shared_count(wine, path, bitness) for path in (server, library)] == [2, 2]

    uninstall(wine, "ComFirst")
    assert [shared_count(wine, path, bitness) for path in (server, library)] == [1, 1]
    assert drive_c(wine, server).exists() and value_of(wine, server_key, "", bitness) is not None

    uninstall(wine, "ComSecond")
    assert [shared_count(wine, path, bitness) for path in (server, library)] == [0, 0]
    assert not drive_c(wine, server).exists() and not drive_c(wine, library).exists()
    assert value_of(wine, server_key, "", bitness) is None
    assert not key_exists(wine, library_key, view=view(bitness))


def test_installer_package_and_applet_are_registered_and_removed(build, wine, tmp_path, bitness):
    installer_package(tmp_path)
    (tmp_path / "valdo.cpl").write_bytes(b"MZ applet")
    tables = (files_table("valdotest.msi", "msi-package", 'installer_ui_level = "none"\nremove_at_uninstall = true')
              + files_table("valdo.cpl", "control-panel-applet",
                            f'applet_name = "Valdo Applet"\napplet_class = "{APPLET_CLSID}"\narguments = "/panel"'))
    install(wine, build_product(build, tmp_path, "PackageTest", tables))

    log = install_log(wine, "PackageTest")
    assert 'Registering control panel applet "Valdo Applet"...OK' in log
    package_line = next(line for line in log.splitlines() if line.startswith("Installing MSI package"))
    assert package_line.endswith("...OK"), package_line
    package_path = package_line.split('"')[1]
    payloads = list(wine.prefix.glob("drive_c/Program Files*/Valdo Package Test/package-payload.txt"))
    assert len(payloads) == 1
    data = drive_c(wine, r"C:\PackageTest\uninstall\Uninstall.DAT").read_bytes().decode("cp1252")
    assert f'[MSI]\r\n"{package_path}",2\r\n' in data

    applet = next(line.split(" >>> ")[1] for line in log.splitlines() if line.startswith("valdo.cpl >>> "))
    class_key = rf"HKLM\Software\Classes\CLSID\{APPLET_CLSID}"
    name_space = rf"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ControlPanel\NameSpace\{APPLET_CLSID}"
    assert value_of(wine, class_key, "", 64) == "Valdo Applet"
    assert value_of(wine, class_key + r"\DefaultIcon", "", 64) == applet
    assert value_of(wine, class_key + r"\Shell\Open\Command", "", 64) == f'"{applet}" /panel'
    assert value_of(wine, name_space, "", 64) == "Valdo Applet"

    uninstall(wine, "PackageTest")
    assert not payloads[0].exists()
    assert not key_exists(wine, class_key) and not key_exists(wine, name_space)
