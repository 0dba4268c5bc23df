#!/usr/bin/env python3
"""Settings files against Python's JSON parser, both ways, through the image: texts are UTF-8 in
the file (\\u escapes read too) and Latin-1 bytes in the image."""
import json
import subprocess
import sys
import tempfile
from pathlib import Path

vindrel = sys.argv[1]
settings = {
    "callsign": "PA3XYZ-9", "symbolChar": ">", "tableChar": "\\", "digipeaterPath": "WIDE2-2",
    "sendBeaconText": True, "beaconInterval": 3, "beaconText": "Caf\u00e9 \u00a9 \u00ff",
    "sendStatusText": True, "statusInterval": 20, "statusText": "a \"quoted\" \u00e0 \\ text",
    "sendSpeedCourse": True, "sendAltitude": False, "transmissionInterval": 255,
    "speedRelatedInterval": True, "txDelayMs": 1200, "restTimeMs": 0,
    "switchTransmitter": True, "switchDelay": 0,
}
document = {"format": "vindrel-settings", "version": 1, "settings": settings}

with tempfile.TemporaryDirectory() as folder:
    folder = Path(folder)
    (folder / "in.json").write_text(json.dumps(document, ensure_ascii=True), encoding="ascii")
    for args in (["convert", "in.json", "image.bin"], ["convert", "image.bin", "out.json"]):
        subprocess.run([vindrel, *args], cwd=folder, check=True)

    image = (folder / "image.bin").read_bytes()
    assert len(image) == 256, len(image)
    text = settings["beaconText"].encode("latin-1") + b"\0"
    assert image[48:48 + len(text)] == text, image[48:80]

    written = (folder / "out.json").read_bytes()
    assert "Caf\u00e9".encode("utf-8") in written, written
    assert json.loads(written.decode("utf-8")) == document, written
    shown = subprocess.run([vindrel, "show", "out.json"], cwd=folder, check=True,
                           capture_output=True).stdout
    assert json.loads(shown.decode("utf-8")) == document, shown
print("1 passed, 0 failed")
