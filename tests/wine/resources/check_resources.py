#!/usr/bin/env python3
"""Reads the resources back from the built setup.exe and VexoSolvane.exe and
compares them with what the product promises: ids, types and language; the
seven 8-bit RGBA PNG icon images; the manifest's fields; the launcher's
version block and its strings in order; setup's four payloads byte for byte
the build's files. Prints "PASS name" or "FAIL name: why" per check.

usage: check_resources.py SETUP.exe LAUNCHER.exe ICON.ico INSTALL.ps1 UNINSTALL.ps1
"""
import sys
import xml.etree.ElementTree as ET

import pe_resources

RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 10, 14, 16, 24
ENGLISH_US = 1033
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
PAYLOAD_IDS = [101, 102, 103, 104]

failures = 0


def report(name, problems):
    global failures
    if problems:
        failures += 1
        print(f"FAIL {name}: {'; '.join(problems)}")
    else:
        print(f"PASS {name}")


def by_key(resources):
    return {(r.kind, r.name, r.language): r for r in resources}


def check_list(exe, resources, expected):
    problems = []
    actual = sorted((r.kind, r.name, r.language) for r in resources)
    if len(actual) != len(set(actual)):
        problems.append("a resource appears twice")
    missing = sorted(set(expected) - set(actual))
    extra = sorted(set(actual) - set(expected))
    if missing:
        problems.append(f"missing (type, id, language) {missing}")
    if extra:
        problems.append(f"unexpected {extra}")
    report(f"{exe}: resource types, ids and languages", problems)


def icon_problems(images):
    """images: (width, height, bits, png bytes) in directory order."""
    problems = []
    sizes = [w for w, _, _, _ in images]
    if sizes != ICON_SIZES:
        problems.append(f"image sizes {sizes}, not {ICON_SIZES}")
    for width, height, bits, png in images:
        header = pe_resources.png_header(png)
        if header is None:
            problems.append(f"the {width}-px image is not a PNG image")
            continue
        if (header[0], header[1]) != (width, height) or width != height:
            problems.append(f"the {width}x{height} entry holds a {header[0]}x{header[1]} PNG")
        if header[2:] != (8, 6):
            problems.append(f"the {width}-px PNG has depth {header[2]}, colour type {header[3]}, not 8-bit RGBA")
        if bits != 32:
            problems.append(f"the {width}-px entry says {bits} bits per pixel, not 32")
    return problems


def check_icon_group(exe, keyed, icon_file):
    problems = []
    group = keyed.get((RT_GROUP_ICON, 1, ENGLISH_US))
    if group is None:
        report(f"{exe}: icon group 1 holds the seven PNG images of the product icon", ["no icon group 1"])
        return
    entries = pe_resources.icon_group(group.data)
    ids = [ident for *_, ident in entries]
    if ids != list(range(1, 8)):
        problems.append(f"image ids {ids}, not 1 to 7")
    images = []
    for width, height, bits, size, ident in entries:
        image = keyed.get((RT_ICON, ident, ENGLISH_US))
        if image is None:
            problems.append(f"no icon image {ident}")
            continue
        if len(image.data) != size:
            problems.append(f"image {ident} is {len(image.data)} bytes, the group says {size}")
        images.append((width, height, bits, image.data))
    problems += icon_problems(images)
    if [png for *_, png in images] != [png for *_, png in icon_file]:
        problems.append("the images differ from those of VexoSolvane.ico")
    report(f"{exe}: icon group 1 holds the seven PNG images of the product icon", problems)


ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"


def check_manifest(exe, keyed):
    problems = []
    manifest = keyed.get((RT_MANIFEST, 1, ENGLISH_US))
    if manifest is None:
        report(f"{exe}: manifest 1", ["no manifest 1 in language 1033"])
        return
    try:
        root = ET.fromstring(manifest.data)
    except ET.ParseError as error:
        report(f"{exe}: manifest 1", [f"not XML: {error}"])
        return
    elements = sorted(e.tag for e in root.iter())
    expected_elements = sorted([
        ASM_V1 + "assembly", ASM_V1 + "assemblyIdentity",
        ASM_V3 + "trustInfo", ASM_V3 + "security", ASM_V3 + "requestedPrivileges",
        ASM_V3 + "requestedExecutionLevel",
        COMPAT + "compatibility", COMPAT + "application", COMPAT + "supportedOS"])
    if elements != expected_elements:
        problems.append(f"elements {elements}")
    identity = root.find(ASM_V1 + "assemblyIdentity")
    want_identity = {"version": "23.0.0.0", "processorArchitecture": "amd64",
                     "name": "Vexo.Solvane", "type": "win32"}
    if identity is None or dict(identity.attrib) != want_identity:
        problems.append(f"assembly identity {None if identity is None else dict(identity.attrib)}")
    level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                      f"{ASM_V3}requestedExecutionLevel")
    if level is None or dict(level.attrib) != {"level": "asInvoker", "uiAccess": "false"}:
        problems.append(f"execution level {None if level is None else dict(level.attrib)}")
    systems = [dict(e.attrib) for e in root.iter(COMPAT + "supportedOS")]
    if systems != [{"Id": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}]:
        problems.append(f"supported systems {systems}")
    report(f"{exe}: manifest 1 asks for the invoker's rights on Windows 10 and later", problems)


def check_version(exe, keyed):
    problems = []
    block = keyed.get((RT_VERSION, 1, ENGLISH_US))
    if block is None:
        report(f"{exe}: version block", ["no version resource 1 in language 1033"])
        return
    key, fixed, children = pe_resources.version_info(block.data)
    if key != "VS_VERSION_INFO" or len(fixed) != 13 or fixed[0] != 0xFEEF04BD:
        report(f"{exe}: version block", ["no fixed file information"])
        return
    _, _, file_ms, file_ls, product_ms, product_ls, _, flags, os_kind, file_type, _, _, _ = fixed
    if (file_ms, file_ls) != (23 << 16, 0):
        problems.append(f"file version {file_ms >> 16}.{file_ms & 0xFFFF}.{file_ls >> 16}.{file_ls & 0xFFFF}")
    if (product_ms, product_ls) != (23 << 16, 0):
        problems.append("product version is not 23.0.0.0")
    if flags != 0:
        problems.append(f"file flags {flags:#x}")
    if os_kind != 0x00040004:
        problems.append(f"operating system {os_kind:#x}, not VOS_NT_WINDOWS32")
    if file_type != 1:
        problems.append(f"file type {file_type}, not an application")
    tables = {k: c for k, _, c in children}
    strings = tables.get("StringFileInfo", [])
    if [k for k, _, _ in strings] != ["040904B0"]:
        problems.append(f"string tables {[k for k, _, _ in strings]}")
    else:
        pairs = [(k, v) for k, v, _ in strings[0][2]]
        want = [("CompanyName", "Vexo Store"), ("FileDescription", "VEXO SOLVANE Desktop"),
                ("FileVersion", "23.0.0"), ("ProductName", "VEXO SOLVANE"), ("ProductVersion", "23.0")]
        if pairs != want:
            problems.append(f"strings {pairs}")
    translations = [(k, v) for k, v, _ in tables.get("VarFileInfo", [])]
    if translations != [("Translation", [0x0409, 1200])]:
        problems.append(f"translations {translations}")
    report(f"{exe}: version block 23.0.0.0 with its five strings in order", problems)


def check_payloads(keyed, files):
    problems = []
    for ident, (name, path) in zip(PAYLOAD_IDS, files):
        payload = keyed.get((RT_RCDATA, ident, ENGLISH_US))
        with open(path, "rb") as f:
            built = f.read()
        if payload is None:
            problems.append(f"no payload {ident}")
        elif payload.data != built:
            problems.append(f"payload {ident} ({len(payload.data)} bytes) is not the build's {name} ({len(built)} bytes)")
        if name.endswith(".ps1") and not built.startswith(b"\xef\xbb\xbf"):
            problems.append(f"{name} has no UTF-8 byte-order mark")
    report("setup.exe: payloads 101 to 104 are the build's installer, launcher, icon and uninstaller", problems)


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    setup, launcher, icon, installer, uninstaller = sys.argv[1:]
    with open(icon, "rb") as f:
        icon_images = pe_resources.icon_file_images(f.read())
    report("VexoSolvane.ico: seven 8-bit RGBA PNG images, 16 to 256 px", icon_problems(icon_images))

    icon_keys = [(RT_ICON, i, ENGLISH_US) for i in range(1, 8)]
    common = icon_keys + [(RT_GROUP_ICON, 1, ENGLISH_US), (RT_MANIFEST, 1, ENGLISH_US)]
    for exe, path, expected in [
        ("setup.exe", setup, common + [(RT_RCDATA, i, ENGLISH_US) for i in PAYLOAD_IDS]),
        # The launcher carries the UI application as its one payload.
        ("VexoSolvane.exe", launcher, common + [(RT_VERSION, 1, ENGLISH_US), (RT_RCDATA, 101, ENGLISH_US)]),
    ]:
        machine, resources = pe_resources.read(path)
        if machine != 0x8664:
            report(f"{exe}: an x86-64 image", [f"machine {machine:#x}"])
        keyed = by_key(resources)
        check_list(exe, resources, expected)
        check_icon_group(exe, keyed, icon_images)
        check_manifest(exe, keyed)
        if exe == "setup.exe":
            check_payloads(keyed, [("Install.ps1", installer), ("VexoSolvane.exe", launcher),
                                   ("VexoSolvane.ico", icon), ("Uninstall.ps1", uninstaller)])
        else:
            check_version(exe, keyed)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
