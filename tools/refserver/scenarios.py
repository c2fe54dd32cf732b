"""Maker scenarios: a whole server side of one install run, put in place in one step.

A scenario (scenarios/NAME.json) names the configuration answers and the files the download
hosts serve: product installers composed from the stand-in programs of the build
(tools/standins), recommended products' installers and pictures. install() writes them into
the reference server's served root and state folder; maker.py calls it for
GET /_maker/scenario?name=NAME, and `maker.py scenario NAME ...` from the command line.

Scenario keys: "extends" (another scenario; "files" entries merge, null removes one),
"catalogue" and "setup" (files in scenarios/, "@BASE@" replaced by the server's address),
"setup_replace" (text -> text, each replaced in the setup file before "@BASE@" is),
"setup_text" (a literal setup answer), "catalogue_status" and "setup_status", "files"
(served path -> {"standin": "product"|"recommend", ...} or {"picture": NAME}).

Installers are signed with one of the project's test signers (scripts/test-signer.sh, in
ORVANE_TEST_SIGNER_DIR or build-testsigner/ at the repository root) by osslsigncode: a stand-in
entry's "signer" is "trusted" (the default, the signer the test builds pin), "other" or "none"
(unsigned); "tamper": true changes one byte of the signed file; "library": true marks a product
installer as a library before signing, so that it is the maker's but cannot be started.
"""
import json
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SCENARIO_DIR = os.path.join(HERE, "scenarios")
PICTURE_DIR = os.path.join(HERE, "pictures")
ICON = os.path.join(HERE, "..", "..", "app", "res", "Orvane.ico")
SIGNER_DIR = os.environ.get("ORVANE_TEST_SIGNER_DIR") or os.path.join(HERE, "..", "..", "build-testsigner")
MAKER_FILES = ("maker-catalogue.xml", "maker-setup.xml", "maker-catalogue.status", "maker-setup.status")


def names():
    return sorted(f[:-5] for f in os.listdir(SCENARIO_DIR) if f.endswith(".json"))


def load(name, depth=0):
    if name not in names() or depth > 4:
        raise KeyError(name)
    with open(os.path.join(SCENARIO_DIR, name + ".json"), encoding="utf-8") as f:
        scenario = json.load(f)
    base = load(scenario.pop("extends"), depth + 1) if "extends" in scenario else {}
    files = dict(base.get("files", {}))
    files.update(scenario.pop("files", {}))
    base.update(scenario)
    base["files"] = {path: entry for path, entry in files.items() if entry is not None}
    return base


def _security_directory(data):
    """File offset of the PE security directory entry and its (offset, size) of the certificate table."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    entry = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112) + 4 * 8
    return entry, struct.unpack_from("<II", data, entry)


def unsigned_image(data):
    """A PE file without its Authenticode signature (the file itself when it has none)."""
    entry, (offset, size) = _security_directory(data)
    if offset == 0 or size == 0:
        return data
    return data[:entry] + b"\0" * 8 + data[entry + 8:offset]


def as_library(data):
    """The PE image marked as a library: still signed and intact, but no program to start."""
    characteristics = struct.unpack_from("<I", data, 0x3C)[0] + 4 + 18
    flags = struct.unpack_from("<H", data, characteristics)[0] | 0x2000
    return data[:characteristics] + struct.pack("<H", flags) + data[characteristics + 2:]


def sign(data, signer, tamper=False):
    """data (unsigned) signed by the test signer named, or left unsigned for "none"; with tamper,
    one byte in the middle of the signed part is changed afterwards."""
    if signer != "none":
        cert, key = (os.path.join(SIGNER_DIR, signer + ext) for ext in (".crt", ".key"))
        if not (os.path.isfile(cert) and os.path.isfile(key)):
            raise RuntimeError("no test signer %r in %s: run scripts/test-signer.sh" % (signer, SIGNER_DIR))
        with tempfile.TemporaryDirectory() as work:
            source, target = os.path.join(work, "in.exe"), os.path.join(work, "out.exe")
            _write(source, data)
            subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256",
                            "-n", "Orvane stand-in", "-in", source, "-out", target],
                           check=True, stdout=subprocess.DEVNULL)
            signed = _read(target)
    else:
        signed = data
    if tamper:
        middle = len(data) // 2
        signed = signed[:middle] + bytes([signed[middle] ^ 0xFF]) + signed[middle + 1:]
    return signed


def compose_product_setup(stub, settings, files):
    """The product installer stand-in with what it installs appended (see OrvProductSetup.cpp),
    unsigned. The trailer ends on an 8-byte boundary, where a signature's table then begins."""
    stub = unsigned_image(stub)
    overlay = b"".join(b"set %s=%s\n" % (k.encode("ascii"), str(v).encode("gbk")) for k, v in settings.items())
    for name, data in files:
        overlay += b"file %s %d\n" % (name.encode("gbk"), len(data)) + data
    overlay += b"\n" * (-(len(stub) + len(overlay)) % 8)
    return stub + overlay + b"ORVSTAND" + struct.pack("<Q", len(stub))


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def _product_bytes(entry, bin_dir):
    settings = {k: entry[k] for k in ("name", "version", "delay", "fail") if k in entry}
    settings["icon"] = "product.ico"
    files = [(entry["execute"], _read(os.path.join(bin_dir, "OrvClient.exe"))),
             ("Corvendil.exe", _read(os.path.join(bin_dir, "Corvendil.exe"))),
             ("Corvendil.dll", _read(os.path.join(bin_dir, "Corvendil.dll"))),
             ("product.ico", _read(ICON))]
    return compose_product_setup(_read(os.path.join(bin_dir, "OrvProductSetup.exe")), settings, files)


def _file_bytes(entry, bin_dir, pictures):
    signing = (entry.get("signer", "trusted"), entry.get("tamper", False))
    if entry.get("standin") == "product":
        data = _product_bytes(entry, bin_dir)
        return sign(as_library(data) if entry.get("library") else data, *signing)
    if entry.get("standin") == "recommend":
        return sign(unsigned_image(_read(os.path.join(bin_dir, "OrvRecommendSetup.exe"))), *signing)
    path = os.path.join(pictures, entry["picture"])
    return _read(path) if os.path.isfile(path) else None


def _write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def _write_documents(scenario, state, base):
    for name in MAKER_FILES:
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))
    for stem in ("catalogue", "setup"):
        if stem + "_status" in scenario:
            _write(os.path.join(state, "maker-%s.status" % stem), b"%d\n" % scenario[stem + "_status"])
        if stem in scenario:
            text = _read(os.path.join(SCENARIO_DIR, scenario[stem]))
            if stem == "setup":
                for old, new in scenario.get("setup_replace", {}).items():
                    text = text.replace(old.encode("utf-8"), new.encode("utf-8"))
            text = text.replace(b"@BASE@", base.encode("ascii"))
            _write(os.path.join(state, "maker-%s.xml" % stem), text)
    if "setup_text" in scenario:
        _write(os.path.join(state, "maker-setup.xml"), scenario["setup_text"].encode("gbk"))


def _any_scenario_paths():
    paths = set()
    for other in names():
        with open(os.path.join(SCENARIO_DIR, other + ".json"), encoding="utf-8") as f:
            paths.update(json.load(f).get("files", {}))
    return paths


def install(name, root, state, base, bin_dir, pictures=PICTURE_DIR):
    """Puts scenario NAME in place; returns the served paths written (pictures that do not
    exist yet are left out). What other scenarios serve and this one does not is removed, since
    a missing address is part of a scenario."""
    scenario = load(name)
    os.makedirs(state, exist_ok=True)
    for served in _any_scenario_paths() - set(scenario["files"]):
        path = os.path.join(root, *served.split("/"))
        if os.path.isfile(path):
            os.remove(path)
    _write_documents(scenario, state, base.rstrip("/"))
    written = []
    for served, entry in sorted(scenario["files"].items()):
        data = _file_bytes(entry, bin_dir, pictures)
        if data is not None:
            _write(os.path.join(root, *served.split("/")), data)
            written.append(served)
    return written
