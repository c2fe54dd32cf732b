"""Maker scenarios: a whole server side of one install run, put in place in one step.

A scenario (scenarios/NAME.json) names the configuration answers and the files the download
hosts serve: product installers composed from the stand-in programs of the build
(tools/standins), recommended products' installers and pictures. install() writes them into
the reference server's served root and state folder; maker.py calls it for
GET /_maker/scenario?name=NAME, and `maker.py scenario NAME ...` from the command line.

Scenario keys: "extends" (another scenario; "files" entries merge, null removes one),
"catalogue" and "setup" (files in scenarios/, "@BASE@" replaced by the server's address),
"setup_text" (a literal setup answer), "catalogue_status" and "setup_status", "files"
(served path -> {"standin": "product"|"recommend", ...}, {"picture": NAME} or {"text": TEXT},
the last served as its UTF-8 bytes).
"""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SCENARIO_DIR = os.path.join(HERE, "scenarios")
PICTURE_DIR = os.path.join(HERE, "pictures")
ICON = os.path.join(HERE, "..", "..", "app", "res", "Orvane.ico")
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


def compose_product_setup(stub, settings, files):
    """The product installer stand-in with what it installs appended (see OrvProductSetup.cpp)."""
    overlay = b"".join(b"set %s=%s\n" % (k.encode("ascii"), str(v).encode("gbk")) for k, v in settings.items())
    for name, data in files:
        overlay += b"file %s %d\n" % (name.encode("gbk"), len(data)) + data
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
    if entry.get("standin") == "product":
        return _product_bytes(entry, bin_dir)
    if entry.get("standin") == "recommend":
        return _read(os.path.join(bin_dir, "OrvRecommendSetup.exe"))
    if "text" in entry:
        return entry["text"].encode("utf-8")
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
            text = _read(os.path.join(SCENARIO_DIR, scenario[stem])).replace(b"@BASE@", base.encode("ascii"))
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
